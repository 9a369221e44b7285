// Shared pieces of the record-file tests: a fresh temporary folder, file
// bytes, a textbook RC4 to check the engine's cipher against, and a file
// system that fails on request.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "recfile/file_system.h"
#include "recfile/record_file_engine.h"
#include "tests/support/temp_dir.h"

namespace recfile::testing {

using Bytes = std::vector<std::uint8_t>;

inline bool openWithPassword(RecordFileEngine& e, const std::string& path,
                             const std::string& password) {
  return e.Open(path, {}, false, ShareMode::None, password);
}

using mc::testing::TempDir;

inline Bytes readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void writeFile(const std::string& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline std::uint32_t u32(const Bytes& b, std::size_t at) {
  return std::uint32_t(b[at]) | std::uint32_t(b[at + 1]) << 8 | std::uint32_t(b[at + 2]) << 16 |
         std::uint32_t(b[at + 3]) << 24;
}
inline void put32(Bytes& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// RC4 as published, independent of the library the engine uses.
class TextbookRc4 {
 public:
  explicit TextbookRc4(const Bytes& key) {
    for (int k = 0; k < 256; ++k) s_[k] = static_cast<std::uint8_t>(k);
    std::uint8_t j = 0;
    for (int k = 0; k < 256; ++k) {
      j = static_cast<std::uint8_t>(j + s_[k] + key[k % key.size()]);
      std::swap(s_[k], s_[j]);
    }
  }
  std::uint8_t next() {
    i_ = static_cast<std::uint8_t>(i_ + 1);
    j_ = static_cast<std::uint8_t>(j_ + s_[i_]);
    std::swap(s_[i_], s_[j_]);
    return s_[static_cast<std::uint8_t>(s_[i_] + s_[j_])];
  }

 private:
  std::array<std::uint8_t, 256> s_{};
  std::uint8_t i_ = 0, j_ = 0;
};

// The page cipher written straight from its definition, byte by byte.
inline void referenceEncipher(Bytes& file, const std::string& passwordBytes,
                              const std::string& digest32) {
  const Bytes pw(passwordBytes.begin(), passwordBytes.end());
  const std::size_t pages = (file.size() + 4095) / 4096;
  TextbookRc4 words(pw);
  for (std::size_t page = 0; page < pages; ++page) {
    std::uint32_t w = 0;
    for (int k = 0; k < 4; ++k) w |= std::uint32_t(words.next()) << (8 * k);
    Bytes key(40);
    put32(key, 0, w);
    std::memcpy(&key[4], digest32.data(), 32);
    put32(key, 36, w ^ static_cast<std::uint32_t>(page));
    TextbookRc4 rc4(key);
    for (int k = 0; k < 36; ++k) rc4.next();
    for (std::size_t off = page * 4096; off < std::min(file.size(), page * 4096 + 4096); ++off) {
      const std::uint8_t ks = rc4.next();
      if (off >= 4) file[off] ^= ks;
    }
  }
}

// A file system over the real one that fails on request.
struct Faults {
  int failWriteAt = 0;   // the Nth write from now fails (1 = the next one); 0 = never
  int writeError = err::DiskFull;
  int shortReadAt = 0;   // the Nth read from now returns fewer bytes; 0 = never
  bool refuseLocks = false;  // every lock is held by "another process"
  int writes = 0;
  int reads = 0;
  int lockCalls = 0;
  std::uint64_t clockMs = 0;  // the fake clock; sleeping advances it
  bool fakeClock = false;
  std::vector<unsigned> sleeps;
};

class FaultyFile final : public File {
 public:
  FaultyFile(std::unique_ptr<File> inner, std::shared_ptr<Faults> f)
      : inner_(std::move(inner)), f_(std::move(f)) {}
  int read(std::uint64_t o, void* b, std::size_t n, std::size_t& got) override {
    ++f_->reads;
    if (f_->shortReadAt && f_->reads == f_->shortReadAt && n > 0) {
      const int e = inner_->read(o, b, n - 1, got);
      return e;
    }
    return inner_->read(o, b, n, got);
  }
  int write(std::uint64_t o, const void* d, std::size_t n) override {
    ++f_->writes;
    if (f_->failWriteAt && f_->writes == f_->failWriteAt) return f_->writeError;
    return inner_->write(o, d, n);
  }
  int size(std::uint64_t& out) override { return inner_->size(out); }
  int truncate(std::uint64_t l) override { return inner_->truncate(l); }
  int lock(std::uint64_t o, std::uint64_t l) override {
    ++f_->lockCalls;
    if (f_->refuseLocks) return err::LockViolation;
    return inner_->lock(o, l);
  }
  int unlock(std::uint64_t o, std::uint64_t l) override { return inner_->unlock(o, l); }
  FileIdentity identity() const override { return inner_->identity(); }
  int close() override { return inner_->close(); }

 private:
  std::unique_ptr<File> inner_;
  std::shared_ptr<Faults> f_;
};

class FaultyFileSystem final : public FileSystem {
 public:
  explicit FaultyFileSystem(std::shared_ptr<Faults> f) : real_(FileSystem::real()), f_(std::move(f)) {}
  int open(const std::string& p, const OpenOptions& o, std::unique_ptr<File>& out) override {
    std::unique_ptr<File> inner;
    if (int e = real_->open(p, o, inner)) return e;
    out = std::make_unique<FaultyFile>(std::move(inner), f_);
    return 0;
  }
  bool exists(const std::string& p) override { return real_->exists(p); }
  std::vector<std::string> listDirectory(const std::string& d) override { return real_->listDirectory(d); }
  int remove(const std::string& p) override { return real_->remove(p); }
  std::optional<FileIdentity> identity(const std::string& p) override { return real_->identity(p); }
  std::string absolute(const std::string& p) override { return real_->absolute(p); }
  std::uint64_t monotonicMs() override { return f_->fakeClock ? f_->clockMs : real_->monotonicMs(); }
  void sleepMs(unsigned ms) override {
    f_->sleeps.push_back(ms);
    if (f_->fakeClock) f_->clockMs += ms;
    else real_->sleepMs(ms);
  }

 private:
  std::shared_ptr<FileSystem> real_;
  std::shared_ptr<Faults> f_;
};

}  // namespace recfile::testing
