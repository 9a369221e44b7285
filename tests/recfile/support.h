// Shared pieces of the record-file tests: a fresh temporary folder, file
// bytes, and a textbook RC4 to check the engine's cipher against.
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
#include "tests/support/faulty_file_system.h"
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

using mc::testing::FaultyFileSystem;

}  // namespace recfile::testing
