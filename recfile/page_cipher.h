// The access-password digest and the per-page RC4 cipher of record files.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include <nettle/arcfour.h>

namespace recfile {

std::array<std::uint8_t, 16> Md5(std::string_view bytes);

// The 32 digest characters stored in the header for a password given as its
// GB18030 bytes.
std::string DigestOfPasswordBytes(std::string_view gbkPassword);

// Enciphers (and, being a stream cipher, deciphers) any byte range of a file
// protected by a password. Every byte depends only on its offset, so a
// record or a side-file block can be processed on its own.
class PageCipher {
 public:
  explicit PageCipher(std::string_view gbkPassword);

  // `data` holds the n bytes found at `offset` in the file; the first four
  // bytes of a file (the magic) are left alone.
  void Apply(std::uint64_t offset, std::uint8_t* data, std::size_t n);

  const std::string& digest() const { return digest_; }

 private:
  std::uint32_t PageWord(std::uint64_t page);

  arcfour_ctx words_generator_{};  // the keystream under the password, continued
  std::vector<std::uint32_t> words_;
  std::string digest_;
};

}  // namespace recfile
