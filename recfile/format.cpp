#include "recfile/format.h"

#include <algorithm>

namespace recfile::format {

bool decodeHeader(const std::uint8_t* p, Header& h) {
  if (std::memcmp(p, kMagicPlain, 4) == 0) h.ciphered = false;
  else if (std::memcmp(p, kMagicCiphered, 4) == 0) h.ciphered = true;
  else return false;
  h.version = getU32(p + kOffVersion);
  h.created = getF64(p + kOffCreated);
  h.count = getI32(p + kOffCount);
  h.nextId = getI32(p + kOffNextId);
  h.recordLength = getI32(p + kOffRecordLength);
  std::memcpy(h.digest.data(), p + kOffDigest, kDigestAreaSize);
  return true;
}

void encodeHeader(const Header& h, std::uint8_t* p) {
  std::memset(p, 0, kHeaderSize);
  std::memcpy(p + kOffMagic, h.ciphered ? kMagicCiphered : kMagicPlain, 4);
  putU32(p + kOffVersion, h.version);
  putF64(p + kOffCreated, h.created);
  putI32(p + kOffCount, h.count);
  putI32(p + kOffNextId, h.nextId);
  putI32(p + kOffRecordLength, h.recordLength);
  std::memcpy(p + kOffDigest, h.digest.data(), kDigestAreaSize);
}

bool decodeDescriptor(const std::uint8_t* p, Descriptor& d) {
  const auto* end = p + kDescNameArea;
  const auto* zero = std::find(p + kDescName, end, 0);
  if (zero == end) return false;
  d.gbkName.assign(reinterpret_cast<const char*>(p), static_cast<std::size_t>(zero - p));
  d.type = getI32(p + kDescType);
  d.offset = getI32(p + kDescOffset);
  d.width = getI32(p + kDescWidth);
  return true;
}

void encodeDescriptor(const Descriptor& d, std::uint8_t* p) {
  std::memset(p, 0, kDescriptorSize);
  std::memcpy(p + kDescName, d.gbkName.data(), std::min(d.gbkName.size(), kMaxNameBytes));
  putI32(p + kDescType, d.type);
  putI32(p + kDescOffset, d.offset);
  putI32(p + kDescWidth, d.width);
}

bool decodeSideHeader(const std::uint8_t* p, SideHeader& h) {
  if (std::memcmp(p, kSideMagic, 4) != 0) return false;
  h.version = getU32(p + kSideOffVersion);
  h.created = getF64(p + kSideOffCreated);
  h.blockCount = getI32(p + kSideOffBlockCount);
  h.freeCount = getI32(p + kSideOffFreeCount);
  h.firstFree = getI32(p + kSideOffFirstFree);
  return true;
}

void encodeSideHeader(const SideHeader& h, std::uint8_t* p) {
  std::memset(p, 0, kSideHeaderSize);
  std::memcpy(p, kSideMagic, 4);
  putU32(p + kSideOffVersion, h.version);
  putF64(p + kSideOffCreated, h.created);
  putI32(p + kSideOffBlockCount, h.blockCount);
  putI32(p + kSideOffFreeCount, h.freeCount);
  putI32(p + kSideOffFirstFree, h.firstFree);
}

BlockHeader decodeBlockHeader(const std::uint8_t* p) {
  return {getU32(p + kBlockOffPrev), getU32(p + kBlockOffNext), getU32(p + kBlockOffUsed)};
}

void encodeBlockHeader(const BlockHeader& b, std::uint8_t* p) {
  putU32(p + kBlockOffPrev, b.prev);
  putU32(p + kBlockOffNext, b.next);
  putU32(p + kBlockOffUsed, b.used);
}

int storedWidth(FieldType type, int textWidth) {
  switch (type) {
    case FieldType::Byte:
    case FieldType::Logical: return 1;
    case FieldType::Short: return 2;
    case FieldType::Integer:
    case FieldType::Float:
    case FieldType::SubPtr:
    case FieldType::ByteSet:
    case FieldType::Memo: return 4;
    case FieldType::Long:
    case FieldType::Double:
    case FieldType::DateTime: return 8;
    case FieldType::Text: return textWidth;
  }
  return 0;
}

namespace {

// Decodes one UTF-8 sequence; 0xFFFFFFFF when malformed.
char32_t nextCodePoint(std::string_view s, std::size_t& i) {
  const auto b0 = static_cast<unsigned char>(s[i]);
  std::size_t len = b0 < 0x80 ? 1 : (b0 >> 5) == 0x6 ? 2 : (b0 >> 4) == 0xE ? 3 : (b0 >> 3) == 0x1E ? 4 : 0;
  if (len == 0 || i + len > s.size()) {
    ++i;
    return 0xFFFFFFFF;
  }
  char32_t c = len == 1 ? b0 : len == 2 ? (b0 & 0x1F) : len == 3 ? (b0 & 0x0F) : (b0 & 0x07);
  for (std::size_t k = 1; k < len; ++k) {
    const auto b = static_cast<unsigned char>(s[i + k]);
    if ((b & 0xC0) != 0x80) {
      ++i;
      return 0xFFFFFFFF;
    }
    c = (c << 6) | (b & 0x3F);
  }
  i += len;
  return c;
}

bool isLetter(char32_t c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||  // half-width
         (c >= 0xFF21 && c <= 0xFF3A) || (c >= 0xFF41 && c <= 0xFF5A);  // full-width
}
bool isDigit(char32_t c) { return (c >= '0' && c <= '9') || (c >= 0xFF10 && c <= 0xFF19); }
bool isChinese(char32_t c) {
  return (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0x3400 && c <= 0x4DBF) ||
         (c >= 0xF900 && c <= 0xFAFF) || (c >= 0x20000 && c <= 0x3134F) || c == 0x3007;
}

}  // namespace

bool isValidName(std::string_view utf8) {
  if (utf8.empty()) return false;
  std::size_t i = 0;
  bool first = true;
  while (i < utf8.size()) {
    const char32_t c = nextCodePoint(utf8, i);
    const bool ok = isLetter(c) || isChinese(c) || (!first && isDigit(c));
    if (!ok) return false;
    first = false;
  }
  return true;
}

}  // namespace recfile::format
