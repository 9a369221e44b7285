// The one door through which the engine touches files. Tests wrap it to
// make the Nth write fail, cut a read short or refuse a lock.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "recfile/record_file_engine.h"

namespace recfile {

struct FileIdentity {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  bool operator==(const FileIdentity&) const = default;
};

struct OpenOptions {
  bool write = false;   // read and write access; read only otherwise
  bool create = false;  // create when missing and empty the file (after the share check)
  ShareMode share = ShareMode::None;
  // With create: the file must not exist yet, so there is nothing to empty.
  // (Emptying a file makes some file systems write it out on close.)
  bool fresh = false;
};

// Every function returns 0 or a negative error code of the engine's table.
class File {
 public:
  virtual ~File() = default;
  // Reads up to n bytes; `got` is less than n only at the end of the file.
  virtual int Read(std::uint64_t offset, void* buffer, std::size_t n, std::size_t& got) = 0;
  virtual int Write(std::uint64_t offset, const void* data, std::size_t n) = 0;
  virtual int Size(std::uint64_t& out) = 0;
  virtual int Truncate(std::uint64_t length) = 0;
  // Makes what was written and the file's length durable (fdatasync): the
  // journal's order holds across a power cut only through these.
  virtual int Sync() = 0;
  // Starts writing the file out without waiting: a hint that lets the
  // disk work on several files before each is synced.
  virtual void StartWriteBack() {}
  // A byte-range lock shared between processes: exclusive on a file opened
  // for writing, shared on a read-only one. Fails at once with
  // err::LockViolation when another holder has a conflicting lock.
  virtual int Lock(std::uint64_t offset, std::uint64_t length) = 0;
  virtual int Unlock(std::uint64_t offset, std::uint64_t length) = 0;
  virtual FileIdentity Identity() const = 0;
  virtual int Close() = 0;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // The operating system's files. Share modes are kept between processes
  // with locks on marker bytes beyond the lockable data range.
  static std::shared_ptr<FileSystem> Real();

  virtual int Open(const std::string& path, const OpenOptions& options,
                   std::unique_ptr<File>& out) = 0;
  virtual bool Exists(const std::string& path) = 0;
  // Entry names of a directory (empty when it cannot be read).
  virtual std::vector<std::string> ListDirectory(const std::string& dir) = 0;
  virtual int Remove(const std::string& path) = 0;
  // Makes the creation or removal of `path`'s directory entry durable.
  virtual int SyncDirectoryOf(const std::string& path) = 0;
  virtual std::optional<FileIdentity> Identity(const std::string& path) = 0;
  // Absolute and lexically normal form of a path.
  virtual std::string Absolute(const std::string& path) = 0;
  virtual std::uint64_t MonotonicMs() = 0;
  virtual void SleepMs(unsigned ms) = 0;
};

// Maps an errno value to the engine's file error codes.
int FileErrorCode(int errnoValue);

}  // namespace recfile
