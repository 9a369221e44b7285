// Counted byte-range locks on one file.
#pragma once

#include <cstdint>
#include <map>

#include "recfile/file_system.h"

namespace recfile {

// Nested requests for one byte, or for the whole file, reach the operating
// system once. While the whole file is locked, byte requests are only
// counted; releasing the whole file keeps the bytes still counted locked.
class LockTable {
 public:
  void Attach(File* file, bool enabled) {
    file_ = file;
    enabled_ = enabled;
  }
  bool enabled() const { return enabled_; }
  int LockByte(std::uint64_t offset);
  int UnlockByte(std::uint64_t offset);
  int LockWhole();
  int UnlockWhole();
  bool holdsWhole() const { return whole_ > 0; }
  // Tells one holding of the whole file from the next.
  std::uint64_t wholeSerial() const { return wholeSerial_; }
  // The first bytes of `count` consecutive `stride`-byte units from `start`,
  // counted one by one but taken from the system as one range. Nobody locks
  // the bytes between first bytes alone, so the range meets exactly the
  // same holders as the single bytes would.
  int LockSpan(std::uint64_t start, std::uint64_t count, std::uint64_t stride);
  int UnlockSpan(std::uint64_t start, std::uint64_t count, std::uint64_t stride);
  // A range held only while one read is made (nothing else is locked or
  // released meanwhile), so it needs no per-byte bookkeeping; bytes this
  // table holds inside it stay held when it is released.
  int LockBriefly(std::uint64_t offset, std::uint64_t length);
  int UnlockBriefly(std::uint64_t offset, std::uint64_t length);

 private:
  File* file_ = nullptr;
  bool enabled_ = false;
  int whole_ = 0;
  std::uint64_t wholeSerial_ = 0;
  std::map<std::uint64_t, int> bytes_;
};

// Repeats `attempt` (returning 0 or an error) while another process holds
// what it locks, pausing 20 to 39 ms between tries, for up to 2 s.
template <class Attempt>
int RetryWhileLocked(FileSystem& fs, Attempt&& attempt) {
  const std::uint64_t start = fs.MonotonicMs();
  for (;;) {
    const int e = attempt();
    if (e != err::LockViolation && e != err::SharingViolation) return e;
    const std::uint64_t now = fs.MonotonicMs();
    if (now - start >= 2000) return e;
    fs.SleepMs(static_cast<unsigned>(20 + now % 20));
  }
}

// Holds one byte (or the whole file when `whole`) until released or destroyed.
class ScopedLock {
 public:
  ScopedLock() = default;
  ScopedLock(const ScopedLock&) = delete;
  ScopedLock& operator=(const ScopedLock&) = delete;
  ~ScopedLock() { Release(); }

  int LockByte(LockTable& table, std::uint64_t offset);
  int LockWhole(LockTable& table);
  // 0 or err::UnlockFailed.
  int Release();

 private:
  LockTable* table_ = nullptr;
  bool whole_ = false;
  std::uint64_t offset_ = 0;
};

}  // namespace recfile
