// Byte layouts of the record files (see FORMAT.md beside this header).
// Every integer is little-endian. Each layout has one encode/decode pair so
// that reading and writing cannot drift apart.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "recfile/record_file_engine.h"

namespace recfile::format {

// ---- Main file (".edb") ---------------------------------------------------
inline constexpr char kMagicPlain[4] = {'W', 'E', 'D', 'B'};
inline constexpr char kMagicCiphered[4] = {'W', 'C', 'D', 'B'};
inline constexpr std::uint32_t kVersion = 0x00010000;

inline constexpr std::size_t kHeaderSize = 112;
inline constexpr std::size_t kOffMagic = 0;
inline constexpr std::size_t kOffVersion = 4;
inline constexpr std::size_t kOffCreated = 8;
inline constexpr std::size_t kOffCount = 16;  // also the record-count lock byte
inline constexpr std::size_t kOffNextId = 20;
inline constexpr std::size_t kOffRecordLength = 24;
inline constexpr std::size_t kOffDigest = 28;
inline constexpr std::size_t kDigestAreaSize = 36;
inline constexpr std::size_t kDigestChars = 32;

inline constexpr std::size_t kOffFieldCount = kHeaderSize;  // 4 bytes, then the descriptors
inline constexpr std::size_t kDescriptorSize = 72;
inline constexpr std::size_t kDescName = 0;
inline constexpr std::size_t kDescNameArea = 17;  // name and its terminating zero
inline constexpr std::size_t kMaxNameBytes = 16;
inline constexpr std::size_t kDescType = 20;
inline constexpr std::size_t kDescOffset = 24;
inline constexpr std::size_t kDescWidth = 28;

inline constexpr std::size_t kRecordIdSize = 4;  // records start with their signed id
inline constexpr int kMaxTextWidth = 1024;

// Bytes 0 .. 2^31 - 2: the range locked for the whole file.
inline constexpr std::uint64_t kWholeFileLockLength = 0x7FFFFFFF;
// Held by the one operation that may change the files (and keep a journal)
// at a time; far past any data and past the share-mode markers at 2^40.
inline constexpr std::uint64_t kWritersLockOffset = (std::uint64_t{1} << 40) + 8;

inline std::uint64_t HeaderSize(std::uint64_t fieldCount) {
  return kHeaderSize + 4 + kDescriptorSize * fieldCount;
}

// ---- Side file (".edt") ---------------------------------------------------
inline constexpr char kSideMagic[4] = {'W', 'E', 'D', 'T'};
inline constexpr std::size_t kBlockSize = 512;
inline constexpr std::size_t kSideHeaderSize = 32;
inline constexpr std::size_t kSideOffVersion = 4;
inline constexpr std::size_t kSideOffCreated = 8;
inline constexpr std::size_t kSideOffBlockCount = 16;
inline constexpr std::size_t kSideOffFreeCount = 20;
inline constexpr std::size_t kSideOffFirstFree = 24;

inline constexpr std::size_t kBlockOffPrev = 0;
inline constexpr std::size_t kBlockOffNext = 4;
inline constexpr std::size_t kBlockOffUsed = 8;
inline constexpr std::size_t kBlockHeaderSize = 12;
inline constexpr std::size_t kBlockData = kBlockSize - kBlockHeaderSize;  // 500

// ---- Cipher ---------------------------------------------------------------
inline constexpr std::size_t kPlainPrefix = 4;  // the magic is never enciphered
inline constexpr std::size_t kPageSize = 4096;
inline constexpr std::size_t kPageKeySize = 40;
inline constexpr std::size_t kPageKeyDiscard = 36;
inline constexpr std::size_t kRecipherPortion = 10240;

// ---- Bulk operations ------------------------------------------------------
inline constexpr std::size_t kBulkBytes = 163840;

// ---- Little-endian helpers ------------------------------------------------
inline std::uint32_t GetU32(const std::uint8_t* p) {
  return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
         std::uint32_t(p[3]) << 24;
}
inline std::int32_t GetI32(const std::uint8_t* p) { return static_cast<std::int32_t>(GetU32(p)); }
inline void PutU32(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
  p[2] = static_cast<std::uint8_t>(v >> 16);
  p[3] = static_cast<std::uint8_t>(v >> 24);
}
inline void PutI32(std::uint8_t* p, std::int32_t v) { PutU32(p, static_cast<std::uint32_t>(v)); }
inline std::uint64_t GetU64(const std::uint8_t* p) {
  return std::uint64_t(GetU32(p)) | std::uint64_t(GetU32(p + 4)) << 32;
}
inline void PutU64(std::uint8_t* p, std::uint64_t v) {
  PutU32(p, static_cast<std::uint32_t>(v));
  PutU32(p + 4, static_cast<std::uint32_t>(v >> 32));
}
inline double GetF64(const std::uint8_t* p) {
  const std::uint64_t bits = GetU64(p);
  double d;
  std::memcpy(&d, &bits, sizeof d);
  return d;
}
inline void PutF64(std::uint8_t* p, double d) {
  std::uint64_t bits;
  std::memcpy(&bits, &d, sizeof d);
  PutU64(p, bits);
}
inline float GetF32(const std::uint8_t* p) {
  const std::uint32_t bits = GetU32(p);
  float f;
  std::memcpy(&f, &bits, sizeof f);
  return f;
}
inline void PutF32(std::uint8_t* p, float f) {
  std::uint32_t bits;
  std::memcpy(&bits, &f, sizeof f);
  PutU32(p, bits);
}

// ---- Layouts --------------------------------------------------------------
struct Header {
  bool ciphered = false;  // magic "WCDB"
  std::uint32_t version = kVersion;
  double created = 0;
  std::int32_t count = 0;
  std::int32_t nextId = 1;
  std::int32_t recordLength = 0;
  std::array<std::uint8_t, kDigestAreaSize> digest{};  // 32 characters, zero, zeros
};
// false when the magic is neither "WEDB" nor "WCDB".
bool DecodeHeader(const std::uint8_t* p, Header& h);
void EncodeHeader(const Header& h, std::uint8_t* p);  // kHeaderSize bytes

struct Descriptor {
  std::string gbkName;  // as stored, without the terminating zero
  std::int32_t type = 0;
  std::int32_t offset = 0;
  std::int32_t width = 0;  // text fields only
};
// false when the name has no terminating zero within its 17 bytes.
bool DecodeDescriptor(const std::uint8_t* p, Descriptor& d);
void EncodeDescriptor(const Descriptor& d, std::uint8_t* p);  // kDescriptorSize bytes

struct SideHeader {
  std::uint32_t version = kVersion;
  double created = 0;
  std::int32_t blockCount = 1;
  std::int32_t freeCount = 0;
  std::int32_t firstFree = 0;
};
// false when the magic is not "WEDT".
bool DecodeSideHeader(const std::uint8_t* p, SideHeader& h);
void EncodeSideHeader(const SideHeader& h, std::uint8_t* p);  // kSideHeaderSize bytes

struct BlockHeader {
  std::uint32_t prev = 0;
  std::uint32_t next = 0;
  std::uint32_t used = 0;  // 1..500; 0 in a free block
};
BlockHeader DecodeBlockHeader(const std::uint8_t* p);
void EncodeBlockHeader(const BlockHeader& b, std::uint8_t* p);

// Width of a field of this type inside a record (text: its own width).
int StoredWidth(FieldType type, int textWidth);

// A field name or alias: first character a half- or full-width letter or a
// Chinese character, the others letters, digits or Chinese characters.
bool IsValidName(std::string_view utf8);

}  // namespace recfile::format
