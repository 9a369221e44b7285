#include "recfile/file_system.h"

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <thread>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace recfile {

int FileErrorCode(int e) {
  switch (e) {
    case ENOENT: return err::FileNotFound;
    case EEXIST: return err::AccessDenied;
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
    case EISDIR:
    case EINVAL: return err::BadPath;
    case EMFILE:
    case ENFILE: return err::TooManyFiles;
    case EACCES:
    case EPERM:
    case EROFS:
    case ETXTBSY: return err::AccessDenied;
    case EBADF: return err::BadHandle;
    case ESPIPE:
    case EOVERFLOW:
    case EFBIG: return err::SeekFailed;
    case EIO: return err::HardwareFault;
    case ENOSPC:
    case EDQUOT: return err::DiskFull;
    default: return err::Unknown;
  }
}

namespace {

// Share modes between processes: every open holds a shared lock on the
// markers of its own access and of what it denies; an open conflicts when
// someone else holds a marker it must not meet. The markers lie far beyond
// the data range so they never meet the engine's own locks.
constexpr off_t kMarkerBase = off_t{1} << 40;
enum Marker { kReads = 0, kWrites = 1, kDeniesRead = 2, kDeniesWrite = 3 };

bool MarkerHeldElsewhere(int fd, Marker m) {
  struct flock fl {};
  fl.l_type = F_WRLCK;
  fl.l_whence = SEEK_SET;
  fl.l_start = kMarkerBase + m;
  fl.l_len = 1;
  if (fcntl(fd, F_OFD_GETLK, &fl) != 0) return false;
  return fl.l_type != F_UNLCK;
}

bool HoldMarker(int fd, Marker m) {
  struct flock fl {};
  fl.l_type = F_RDLCK;
  fl.l_whence = SEEK_SET;
  fl.l_start = kMarkerBase + m;
  fl.l_len = 1;
  return fcntl(fd, F_OFD_SETLK, &fl) == 0;
}

int ApplyShareMode(int fd, bool write, ShareMode share) {
  const bool denyRead = share == ShareMode::DenyRead || share == ShareMode::DenyReadWrite;
  const bool denyWrite = share == ShareMode::DenyWrite || share == ShareMode::DenyReadWrite;
  if ((denyRead && MarkerHeldElsewhere(fd, kReads)) ||
      (denyWrite && MarkerHeldElsewhere(fd, kWrites)) ||
      MarkerHeldElsewhere(fd, kDeniesRead) || (write && MarkerHeldElsewhere(fd, kDeniesWrite)))
    return err::SharingViolation;
  bool ok = HoldMarker(fd, kReads);
  if (write) ok = ok && HoldMarker(fd, kWrites);
  if (denyRead) ok = ok && HoldMarker(fd, kDeniesRead);
  if (denyWrite) ok = ok && HoldMarker(fd, kDeniesWrite);
  return ok ? 0 : err::SharingViolation;
}

class PosixFile final : public File {
 public:
  PosixFile(int fd, bool writable) : fd_(fd), writable_(writable) {}
  ~PosixFile() override { Close(); }

  int Read(std::uint64_t offset, void* buffer, std::size_t n, std::size_t& got) override {
    got = 0;
    auto* p = static_cast<char*>(buffer);
    while (got < n) {
      const ssize_t r = ::pread(fd_, p + got, n - got, static_cast<off_t>(offset + got));
      if (r < 0) {
        if (errno == EINTR) continue;
        return FileErrorCode(errno);
      }
      if (r == 0) break;
      got += static_cast<std::size_t>(r);
    }
    return 0;
  }

  int Write(std::uint64_t offset, const void* data, std::size_t n) override {
    std::size_t done = 0;
    const auto* p = static_cast<const char*>(data);
    while (done < n) {
      const ssize_t r = ::pwrite(fd_, p + done, n - done, static_cast<off_t>(offset + done));
      if (r < 0) {
        if (errno == EINTR) continue;
        return FileErrorCode(errno);
      }
      if (r == 0) return err::DiskFull;
      done += static_cast<std::size_t>(r);
    }
    return 0;
  }

  int Size(std::uint64_t& out) override {
    struct stat st {};
    if (::fstat(fd_, &st) != 0) return FileErrorCode(errno);
    out = static_cast<std::uint64_t>(st.st_size);
    return 0;
  }

  int Truncate(std::uint64_t length) override {
    if (::ftruncate(fd_, static_cast<off_t>(length)) != 0) return FileErrorCode(errno);
    return 0;
  }

  int Sync() override {
    while (::fdatasync(fd_) != 0) {
      if (errno != EINTR) return FileErrorCode(errno);
    }
    return 0;
  }

  void StartWriteBack() override { ::sync_file_range(fd_, 0, 0, SYNC_FILE_RANGE_WRITE); }

  int Lock(std::uint64_t offset, std::uint64_t length) override {
    struct flock fl {};
    fl.l_type = writable_ ? F_WRLCK : F_RDLCK;
    fl.l_whence = SEEK_SET;
    fl.l_start = static_cast<off_t>(offset);
    fl.l_len = static_cast<off_t>(length);
    if (fcntl(fd_, F_OFD_SETLK, &fl) == 0) return 0;
    return errno == EAGAIN || errno == EACCES ? err::LockViolation : err::LockFailed;
  }

  int Unlock(std::uint64_t offset, std::uint64_t length) override {
    struct flock fl {};
    fl.l_type = F_UNLCK;
    fl.l_whence = SEEK_SET;
    fl.l_start = static_cast<off_t>(offset);
    fl.l_len = static_cast<off_t>(length);
    return fcntl(fd_, F_OFD_SETLK, &fl) == 0 ? 0 : err::UnlockFailed;
  }

  FileIdentity Identity() const override {
    struct stat st {};
    if (::fstat(fd_, &st) != 0) return {};
    return {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
  }

  int Close() override {
    if (fd_ < 0) return 0;
    const int r = ::close(fd_);
    fd_ = -1;
    return r == 0 ? 0 : FileErrorCode(errno);
  }

 private:
  int fd_;
  bool writable_;
};

class PosixFileSystem final : public FileSystem {
 public:
  int Open(const std::string& path, const OpenOptions& options,
           std::unique_ptr<File>& out) override {
    int flags = (options.write ? O_RDWR : O_RDONLY) | O_CLOEXEC;
    if (options.create) flags |= O_CREAT;
    if (options.create && options.fresh) flags |= O_EXCL;
    const int fd = ::open(path.c_str(), flags, 0666);
    if (fd < 0) return FileErrorCode(errno);
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
      ::close(fd);
      return err::BadPath;
    }
    auto file = std::make_unique<PosixFile>(fd, options.write);
    if (int e = ApplyShareMode(fd, options.write, options.share)) return e;
    if (options.create && !options.fresh) {
      if (int e = file->Truncate(0)) return e;
    }
    out = std::move(file);
    return 0;
  }

  bool Exists(const std::string& path) override {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
  }

  std::vector<std::string> ListDirectory(const std::string& dir) override {
    std::vector<std::string> names;
    DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
    if (!d) return names;
    while (const dirent* e = ::readdir(d)) names.emplace_back(e->d_name);
    ::closedir(d);
    return names;
  }

  int Remove(const std::string& path) override {
    return ::unlink(path.c_str()) == 0 ? 0 : FileErrorCode(errno);
  }

  int SyncDirectoryOf(const std::string& path) override {
    const std::string dir = std::filesystem::path(path).parent_path().string();
    const int fd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return FileErrorCode(errno);
    int e = 0;
    while (::fsync(fd) != 0) {
      if (errno == EINTR) continue;
      // Some file systems cannot sync a directory; their entries are as
      // durable as they get.
      if (errno != EINVAL && errno != EROFS) e = FileErrorCode(errno);
      break;
    }
    ::close(fd);
    return e;
  }

  std::optional<FileIdentity> Identity(const std::string& path) override {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return std::nullopt;
    return FileIdentity{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
  }

  std::string Absolute(const std::string& path) override {
    std::error_code ec;
    auto p = std::filesystem::absolute(path, ec);
    if (ec) return path;
    return p.lexically_normal().string();
  }

  std::uint64_t MonotonicMs() override {
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                          std::chrono::steady_clock::now().time_since_epoch())
                                          .count());
  }

  void SleepMs(unsigned ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
};

}  // namespace

std::shared_ptr<FileSystem> FileSystem::Real() {
  return std::make_shared<PosixFileSystem>();
}

}  // namespace recfile
