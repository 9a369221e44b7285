// The record-file engine's file layer over the real files, failing on
// request: the n-th write, every write (a full disk), a short read, locks
// held by "another process", a fake clock for lock waits, and a crash that
// lets only the first n changes reach the disk.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "recfile/file_system.h"
#include "recfile/record_file_engine.h"

namespace mc::testing {

struct Faults {
  int failNthWrite = 0;     // counts down at every write; the write that takes it to 0 fails
  bool failWrites = false;  // every write and truncation fails
  int writeError = recfile::err::DiskFull;
  int shortNthRead = 0;      // counts down at every read; that read returns a byte less
  bool refuseLocks = false;  // every lock is held by "another process"
  // After `crashAfter` changes (writes, truncations, creations, removals)
  // the process is as good as dead: nothing more reaches the files, every
  // call fails. 0 = never.
  int crashAfter = 0;
  bool crashed = false;
  int changes = 0;
  int writes = 0;
  int reads = 0;
  int lockCalls = 0;
  int syncs = 0;
  // With logEvents, every change and sync in order, for tests of their
  // order. Syncs are counted and logged but not made: a crash here loses
  // what came after the last change, synced or not.
  struct Event {
    std::string kind;  // "create", "write", "truncate", "sync", "remove", "sync directory"
    std::string file;  // the file's name without its folder
    std::uint64_t offset = 0, size = 0;
  };
  bool logEvents = false;
  std::vector<Event> events;
  void log(std::string kind, const std::string& path, std::uint64_t offset = 0, std::uint64_t size = 0) {
    if (logEvents) events.push_back({std::move(kind), std::filesystem::path(path).filename().string(), offset, size});
  }
  bool fakeClock = false;
  std::uint64_t clockMs = 0;  // sleeping advances it
  std::vector<unsigned> sleeps;

  // Counts a change about to be made; false when the process is dead.
  bool change() {
    if (crashed) return false;
    ++changes;
    if (crashAfter != 0 && changes >= crashAfter) crashed = true;
    return true;
  }
};

class FaultyFileSystem final : public recfile::FileSystem, public Faults {
 public:
  explicit FaultyFileSystem(std::shared_ptr<recfile::FileSystem> inner = recfile::FileSystem::Real())
      : inner_(std::move(inner)) {}

  int Open(const std::string& p, const recfile::OpenOptions& o,
           std::unique_ptr<recfile::File>& out) override {
    if (crashed || (o.create && !change())) return recfile::err::HardwareFault;
    std::unique_ptr<recfile::File> file;
    if (int e = inner_->Open(p, o, file)) return e;
    if (o.create) log("create", p);
    out = std::make_unique<FaultyFile>(std::move(file), *this, p);
    return 0;
  }
  bool Exists(const std::string& p) override { return !crashed && inner_->Exists(p); }
  std::vector<std::string> ListDirectory(const std::string& d) override {
    return inner_->ListDirectory(d);
  }
  int Remove(const std::string& p) override {
    if (!change()) return recfile::err::HardwareFault;
    log("remove", p);
    return inner_->Remove(p);
  }
  int SyncDirectoryOf(const std::string& p) override {
    ++syncs;
    if (crashed) return recfile::err::HardwareFault;
    log("sync directory", p);
    return 0;
  }
  std::optional<recfile::FileIdentity> Identity(const std::string& p) override {
    return inner_->Identity(p);
  }
  std::string Absolute(const std::string& p) override { return inner_->Absolute(p); }
  std::uint64_t MonotonicMs() override { return fakeClock ? clockMs : inner_->MonotonicMs(); }
  void SleepMs(unsigned ms) override {
    sleeps.push_back(ms);
    if (fakeClock) clockMs += ms;
    else inner_->SleepMs(ms);
  }

 private:
  class FaultyFile final : public recfile::File {
   public:
    FaultyFile(std::unique_ptr<recfile::File> inner, FaultyFileSystem& fs, std::string path)
        : inner_(std::move(inner)), fs_(fs), path_(std::move(path)) {}
    int Read(std::uint64_t o, void* b, std::size_t n, std::size_t& got) override {
      ++fs_.reads;
      if (fs_.crashed) return recfile::err::HardwareFault;
      if (fs_.shortNthRead > 0 && --fs_.shortNthRead == 0 && n > 0)
        return inner_->Read(o, b, n - 1, got);
      return inner_->Read(o, b, n, got);
    }
    int Write(std::uint64_t o, const void* d, std::size_t n) override {
      ++fs_.writes;
      if (fs_.failWrites || (fs_.failNthWrite > 0 && --fs_.failNthWrite == 0)) return fs_.writeError;
      if (!fs_.change()) return recfile::err::HardwareFault;
      fs_.log("write", path_, o, n);
      return inner_->Write(o, d, n);
    }
    int Size(std::uint64_t& out) override {
      return fs_.crashed ? recfile::err::HardwareFault : inner_->Size(out);
    }
    int Truncate(std::uint64_t l) override {
      if (fs_.failWrites) return fs_.writeError;
      if (!fs_.change()) return recfile::err::HardwareFault;
      fs_.log("truncate", path_, l);
      return inner_->Truncate(l);
    }
    int Sync() override {
      ++fs_.syncs;
      if (fs_.crashed) return recfile::err::HardwareFault;
      fs_.log("sync", path_);
      return 0;
    }
    int Lock(std::uint64_t o, std::uint64_t l) override {
      ++fs_.lockCalls;
      if (fs_.crashed) return recfile::err::LockFailed;
      if (fs_.refuseLocks) return recfile::err::LockViolation;
      return inner_->Lock(o, l);
    }
    // A dead process's locks go with its files.
    int Unlock(std::uint64_t o, std::uint64_t l) override {
      return fs_.crashed ? 0 : inner_->Unlock(o, l);
    }
    recfile::FileIdentity Identity() const override { return inner_->Identity(); }
    int Close() override { return inner_->Close(); }

   private:
    std::unique_ptr<recfile::File> inner_;
    FaultyFileSystem& fs_;
    std::string path_;
  };

  std::shared_ptr<recfile::FileSystem> inner_;
};

}  // namespace mc::testing
