#include "recfile/page_cipher.h"

#include <algorithm>
#include <nettle/md5.h>

#include "recfile/format.h"

namespace recfile {

std::array<std::uint8_t, 16> Md5(std::string_view bytes) {
  md5_ctx ctx;
  md5_init(&ctx);
  md5_update(&ctx, bytes.size(), reinterpret_cast<const std::uint8_t*>(bytes.data()));
  std::array<std::uint8_t, 16> out{};
  md5_digest(&ctx, out.size(), out.data());
  return out;
}

std::string DigestOfPasswordBytes(std::string_view gbkPassword) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string hex;
  for (std::uint8_t b : Md5(gbkPassword)) {
    hex += kHex[b >> 4];
    hex += kHex[b & 15];
  }
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) std::swap(hex[i], hex[i + 1]);
  std::reverse(hex.begin(), hex.end());
  return hex;
}

namespace {
// RC4 keys longer than 256 bytes add nothing to the key schedule.
void SetKey(arcfour_ctx& ctx, std::string_view key) {
  const std::size_t n = std::min<std::size_t>(key.size(), ARCFOUR_MAX_KEY_SIZE);
  arcfour_set_key(&ctx, n, reinterpret_cast<const std::uint8_t*>(key.data()));
}
}  // namespace

PageCipher::PageCipher(std::string_view gbkPassword)
    : digest_(DigestOfPasswordBytes(gbkPassword)) {
  SetKey(words_generator_, gbkPassword);
}

std::uint32_t PageCipher::PageWord(std::uint64_t page) {
  if (page >= words_.size()) {
    const std::size_t want = std::max<std::size_t>(page + 1, words_.size() * 2 + 16);
    std::vector<std::uint8_t> stream((want - words_.size()) * 4, 0);
    arcfour_crypt(&words_generator_, stream.size(), stream.data(), stream.data());
    for (std::size_t i = 0; i < stream.size(); i += 4) words_.push_back(format::GetU32(&stream[i]));
  }
  return words_[page];
}

void PageCipher::Apply(std::uint64_t offset, std::uint8_t* data, std::size_t n) {
  if (offset < format::kPlainPrefix) {
    const std::size_t skip = std::min<std::uint64_t>(n, format::kPlainPrefix - offset);
    offset += skip;
    data += skip;
    n -= skip;
  }
  std::array<std::uint8_t, format::kPageKeyDiscard + format::kPageSize> discard{};
  while (n > 0) {
    const std::uint64_t page = offset / format::kPageSize;
    const std::size_t inPage = offset % format::kPageSize;
    const std::size_t len = std::min(n, format::kPageSize - inPage);
    const std::uint32_t word = PageWord(page);
    std::uint8_t key[format::kPageKeySize];
    format::PutU32(key, word);
    std::copy(digest_.begin(), digest_.end(), key + 4);
    format::PutU32(key + 4 + format::kDigestChars, word ^ static_cast<std::uint32_t>(page));
    arcfour_ctx ctx;
    arcfour_set_key(&ctx, sizeof key, key);
    arcfour_crypt(&ctx, format::kPageKeyDiscard + inPage, discard.data(), discard.data());
    arcfour_crypt(&ctx, len, data, data);
    offset += len;
    data += len;
    n -= len;
  }
}

}  // namespace recfile
