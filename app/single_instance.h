// One running copy per program file name: an exclusive lock on a file named
// after the program file, held for the life of the process. A copy of the
// program under another file name takes another lock and runs alongside.
#pragma once

#include <string>

namespace app {

class SingleInstanceLock {
 public:
  enum class State {
    Acquired,        // this process is the only copy
    HeldElsewhere,   // another running copy holds the lock
    Unavailable,     // the lock file could not be made; nothing is known
  };

  SingleInstanceLock() = default;
  ~SingleInstanceLock();
  SingleInstanceLock(SingleInstanceLock&& other) noexcept;
  SingleInstanceLock& operator=(SingleInstanceLock&& other) noexcept;
  SingleInstanceLock(const SingleInstanceLock&) = delete;
  SingleInstanceLock& operator=(const SingleInstanceLock&) = delete;

  // Tries to take the lock of `programFileName` (a file name, no folder) in
  // `directory` (empty: DefaultLockDirectory()). Never blocks.
  static SingleInstanceLock Acquire(const std::string& programFileName,
                                    const std::string& directory = {});

  State state() const { return state_; }
  bool held() const { return fd_ >= 0; }
  // The lock file's path, and why it could not be used (Unavailable).
  const std::string& path() const { return path_; }
  const std::string& error() const { return error_; }

  // Gives the lock up early; the destructor does the same.
  void Release();

 private:
  int fd_ = -1;
  State state_ = State::Unavailable;
  std::string path_;
  std::string error_;
};

// $XDG_RUNTIME_DIR when set to an absolute path, else the temporary folder
// ($TMPDIR or /tmp).
std::string DefaultLockDirectory();

// The lock file for a program file name in a folder. In the user's own
// runtime folder the name is "<program>.lock"; in a shared temporary folder
// the user id is added, so users do not lock each other out.
std::string LockFilePath(const std::string& programFileName, const std::string& directory);

// The file name of a path without its folder ("/opt/mc/mochuan" -> "mochuan").
std::string ProgramFileName(const std::string& programPath);

}  // namespace app
