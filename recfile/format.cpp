#include "recfile/format.h"

#include <algorithm>

namespace recfile::format {

bool DecodeHeader(const std::uint8_t* p, Header& h) {
  if (std::memcmp(p, kMagicPlain, 4) == 0) h.ciphered = false;
  else if (std::memcmp(p, kMagicCiphered, 4) == 0) h.ciphered = true;
  else return false;
  h.version = GetU32(p + kOffVersion);
  h.created = GetF64(p + kOffCreated);
  h.count = GetI32(p + kOffCount);
  h.nextId = GetI32(p + kOffNextId);
  h.recordLength = GetI32(p + kOffRecordLength);
  std::memcpy(h.digest.data(), p + kOffDigest, kDigestAreaSize);
  return true;
}

void EncodeHeader(const Header& h, std::uint8_t* p) {
  std::memset(p, 0, kHeaderSize);
  std::memcpy(p + kOffMagic, h.ciphered ? kMagicCiphered : kMagicPlain, 4);
  PutU32(p + kOffVersion, h.version);
  PutF64(p + kOffCreated, h.created);
  PutI32(p + kOffCount, h.count);
  PutI32(p + kOffNextId, h.nextId);
  PutI32(p + kOffRecordLength, h.recordLength);
  std::memcpy(p + kOffDigest, h.digest.data(), kDigestAreaSize);
}

bool DecodeDescriptor(const std::uint8_t* p, Descriptor& d) {
  const auto* end = p + kDescNameArea;
  const auto* zero = std::find(p + kDescName, end, 0);
  if (zero == end) return false;
  d.gbkName.assign(reinterpret_cast<const char*>(p), static_cast<std::size_t>(zero - p));
  d.type = GetI32(p + kDescType);
  d.offset = GetI32(p + kDescOffset);
  d.width = GetI32(p + kDescWidth);
  return true;
}

void EncodeDescriptor(const Descriptor& d, std::uint8_t* p) {
  std::memset(p, 0, kDescriptorSize);
  std::memcpy(p + kDescName, d.gbkName.data(), std::min(d.gbkName.size(), kMaxNameBytes));
  PutI32(p + kDescType, d.type);
  PutI32(p + kDescOffset, d.offset);
  PutI32(p + kDescWidth, d.width);
}

bool DecodeSideHeader(const std::uint8_t* p, SideHeader& h) {
  if (std::memcmp(p, kSideMagic, 4) != 0) return false;
  h.version = GetU32(p + kSideOffVersion);
  h.created = GetF64(p + kSideOffCreated);
  h.blockCount = GetI32(p + kSideOffBlockCount);
  h.freeCount = GetI32(p + kSideOffFreeCount);
  h.firstFree = GetI32(p + kSideOffFirstFree);
  return true;
}

void EncodeSideHeader(const SideHeader& h, std::uint8_t* p) {
  std::memset(p, 0, kSideHeaderSize);
  std::memcpy(p, kSideMagic, 4);
  PutU32(p + kSideOffVersion, h.version);
  PutF64(p + kSideOffCreated, h.created);
  PutI32(p + kSideOffBlockCount, h.blockCount);
  PutI32(p + kSideOffFreeCount, h.freeCount);
  PutI32(p + kSideOffFirstFree, h.firstFree);
}

BlockHeader DecodeBlockHeader(const std::uint8_t* p) {
  return {GetU32(p + kBlockOffPrev), GetU32(p + kBlockOffNext), GetU32(p + kBlockOffUsed)};
}

void EncodeBlockHeader(const BlockHeader& b, std::uint8_t* p) {
  PutU32(p + kBlockOffPrev, b.prev);
  PutU32(p + kBlockOffNext, b.next);
  PutU32(p + kBlockOffUsed, b.used);
}

int StoredWidth(FieldType type, int textWidth) {
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
char32_t NextCodePoint(std::string_view s, std::size_t& i) {
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

bool IsLetter(char32_t c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||  // half-width
         (c >= 0xFF21 && c <= 0xFF3A) || (c >= 0xFF41 && c <= 0xFF5A);  // full-width
}
bool IsDigit(char32_t c) { return (c >= '0' && c <= '9') || (c >= 0xFF10 && c <= 0xFF19); }
bool IsChinese(char32_t c) {
  return (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0x3400 && c <= 0x4DBF) ||
         (c >= 0xF900 && c <= 0xFAFF) || (c >= 0x20000 && c <= 0x3134F) || c == 0x3007;
}

}  // namespace

bool IsValidName(std::string_view utf8) {
  if (utf8.empty()) return false;
  std::size_t i = 0;
  bool first = true;
  while (i < utf8.size()) {
    const char32_t c = NextCodePoint(utf8, i);
    const bool ok = IsLetter(c) || IsChinese(c) || (!first && IsDigit(c));
    if (!ok) return false;
    first = false;
  }
  return true;
}

}  // namespace recfile::format
