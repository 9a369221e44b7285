#include "app/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace app {

SingleInstanceLock::~SingleInstanceLock() { Release(); }

SingleInstanceLock::SingleInstanceLock(SingleInstanceLock&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      state_(other.state_),
      path_(std::move(other.path_)),
      error_(std::move(other.error_)) {}

SingleInstanceLock& SingleInstanceLock::operator=(SingleInstanceLock&& other) noexcept {
  if (this != &other) {
    Release();
    fd_ = std::exchange(other.fd_, -1);
    state_ = other.state_;
    path_ = std::move(other.path_);
    error_ = std::move(other.error_);
  }
  return *this;
}

void SingleInstanceLock::Release() {
  if (fd_ >= 0) {
    ::close(fd_);  // closing the only descriptor drops the lock
    fd_ = -1;
  }
}

SingleInstanceLock SingleInstanceLock::Acquire(const std::string& programFileName,
                                               const std::string& directory) {
  SingleInstanceLock lock;
  lock.path_ = LockFilePath(programFileName, directory.empty() ? DefaultLockDirectory() : directory);
  // Close-on-exec: a document viewer started by the program must not keep
  // the lock after the program has ended. No following links: in a shared
  // folder a planted link must not make us create files elsewhere.
  const int fd = ::open(lock.path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) {
    lock.error_ = std::strerror(errno);
    return lock;
  }
  // flock locks belong to the open file description, so a second open of
  // the same file conflicts even within one process.
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int e = errno;
    ::close(fd);
    if (e == EWOULDBLOCK) {
      lock.state_ = State::HeldElsewhere;
    } else {
      lock.error_ = std::strerror(e);
    }
    return lock;
  }
  lock.fd_ = fd;
  lock.state_ = State::Acquired;
  return lock;
}

std::string DefaultLockDirectory() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime && runtime[0] == '/') return runtime;
  const char* tmp = std::getenv("TMPDIR");
  if (tmp && tmp[0] == '/') return tmp;
  return "/tmp";
}

namespace {

// Owned by this user and writable by nobody else.
bool IsPrivateFolder(const std::string& dir) {
  struct stat st{};
  if (::stat(dir.c_str(), &st) != 0) return false;
  return st.st_uid == ::geteuid() && (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

}  // namespace

std::string LockFilePath(const std::string& programFileName, const std::string& directory) {
  const std::string name = programFileName.empty() ? "mochuan" : programFileName;
  std::string dir = directory;
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  const std::string prefix = dir.empty() ? std::string() : (dir == "/" ? dir : dir + "/");
  if (IsPrivateFolder(dir.empty() ? "." : dir)) return prefix + name + ".lock";
  return prefix + name + "-" + std::to_string(::geteuid()) + ".lock";
}

std::string ProgramFileName(const std::string& programPath) {
  std::string path = programPath;
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  const auto slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace app
