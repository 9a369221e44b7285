#include "tools/mochuan-edb/check.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <optional>

#include "recfile/record_file_engine.h"
#include "text/text.h"
#include "recfile/format.h"
#include "tools/mochuan-edb/raw_files.h"

namespace edb {
namespace {

using namespace recfile::format;
using recfile::FieldType;
constexpr std::size_t kSideBlockSize = kBlockSize;

using Bytes = std::vector<std::uint8_t>;

bool allZero(const Bytes& b, std::size_t from, std::size_t to) {
  for (std::size_t i = from; i < to && i < b.size(); ++i)
    if (b[i] != 0) return false;
  return true;
}

std::string str(std::int64_t v) { return std::to_string(v); }

bool validType(std::int32_t code) {
  return code >= static_cast<int>(FieldType::Byte) && code <= static_cast<int>(FieldType::Memo);
}
bool isChain(std::int32_t code) {
  return code == static_cast<int>(FieldType::ByteSet) || code == static_cast<int>(FieldType::Memo);
}

struct Field {
  std::string name;  // UTF-8
  std::int32_t type = 0;
  std::int32_t offset = 0;
  std::int32_t width = 0;
};

struct ChainRef {
  std::string label;  // "record 3 field 题文1"
  std::uint32_t first;
};

class Checker {
 public:
  Checker(const std::string& mainPath, const std::string& sidePath, const std::string& password)
      : mainPath_(mainPath), sidePath_(sidePath), password_(password) {}

  CheckOutcome Run() {
    if (!ReadWholeFile(mainPath_, &main_)) {
      out_.fatal = "cannot read " + mainPath_;
      return out_;
    }
    CheckMain();
    if (!out_.fatal.empty()) return out_;
    if (needsSide_) CheckSide();
    return out_;
  }

 private:
  void Problem(const std::string& what) { out_.problems.push_back(what); }

  void CheckMain() {
    const std::size_t size = main_.size();
    if (size < kHeaderSize) {
      Problem("main: file is " + str(static_cast<std::int64_t>(size)) +
              " bytes, shorter than the 112-byte header");
      return;
    }
    Header header;
    if (!DecodeHeader(main_.data(), header)) {
      Problem("main: magic is not \"WEDB\" or \"WCDB\"");
      return;
    }
    const bool ciphered = header.ciphered;
    ciphered_ = ciphered;
    if (!ciphered && !password_.empty()) {
      out_.fatal = mainPath_ + " has no access password, but --password was given: " +
                   str(recfile::err::WrongPassword) + " " +
                   recfile::ErrorText(recfile::err::WrongPassword);
      return;
    }
    if (ciphered) {
      if (password_.empty()) {
        out_.fatal = mainPath_ + " has an access password; give it with --password";
        return;
      }
      DecipherFileBytes(password_, main_);
      DecodeHeader(main_.data(), header);
      const std::string_view stored(reinterpret_cast<const char*>(header.digest.data()), kDigestChars);
      if (!text::EqualsIgnoreCase(stored, recfile::PasswordDigest(password_))) {
        out_.fatal = mainPath_ + ": " + str(recfile::err::WrongPassword) + " " +
                     recfile::ErrorText(recfile::err::WrongPassword);
        return;
      }
      if (!allZero(main_, kOffDigest + kDigestChars, kOffDigest + kDigestAreaSize))
        Problem("main: the password digest is not followed by zero bytes");
    } else if (!allZero(main_, kOffDigest, kOffDigest + kDigestAreaSize)) {
      Problem("main: the password digest area of a file without password is not zero");
    }

    const std::uint32_t version = header.version;
    version_ = version;
    if (version != kVersion) Problem("main: format version is " + str(version) + ", not 65536");
    const double created = header.created;
    if (!std::isfinite(created) || created < text::kMinDays || created > text::kMaxDays)
      Problem("main: creation date-time is not a valid day number");
    const std::int32_t count = header.count;
    const std::int32_t nextId = header.nextId;
    const std::int32_t recLen = header.recordLength;
    if (count < 0) Problem("main: record count " + str(count) + " is negative");
    if (nextId <= 0) Problem("main: next record id " + str(nextId) + " is not positive");
    if (recLen <= 0) Problem("main: record length " + str(recLen) + " is not positive");
    if (!allZero(main_, kOffDigest + kDigestAreaSize, kHeaderSize))
      Problem("main: reserved header bytes 64..111 are not zero");

    if (size < kOffFieldCount + 4) {
      Problem("main: file ends before the field count");
      return;
    }
    const std::int32_t fieldCount = GetI32(&main_[kOffFieldCount]);
    if (fieldCount < 1) {
      Problem("main: field count " + str(fieldCount) + " is less than 1");
      return;
    }
    const std::uint64_t headerSize = recfile::format::HeaderSize(static_cast<std::uint32_t>(fieldCount));
    if (headerSize > size) {
      Problem("main: field table of " + str(fieldCount) + " fields runs past the end of the file");
      return;
    }

    bool layoutOk = recLen > 0;
    std::int64_t expectOffset = kRecordIdSize;
    std::vector<std::string> seen;
    for (std::int32_t f = 0; f < fieldCount; ++f) {
      const std::size_t at = kOffFieldCount + 4 + static_cast<std::size_t>(f) * kDescriptorSize;
      const std::string label = "field " + str(f + 1);
      Field fd;
      Descriptor d;
      if (!DecodeDescriptor(&main_[at], d)) {
        Problem(label + ": name has no terminating zero within 17 bytes");
        d.gbkName.assign(reinterpret_cast<const char*>(&main_[at + kDescName]), kMaxNameBytes);
        d.type = GetI32(&main_[at + kDescType]);
        d.offset = GetI32(&main_[at + kDescOffset]);
        d.width = GetI32(&main_[at + kDescWidth]);
      }
      const std::size_t nameLen = d.gbkName.size();
      fd.name = text::ToUtf8(d.gbkName);
      const std::string named = label + " (" + fd.name + ")";
      if (nameLen == 0) Problem(label + ": name is empty");
      else if (!recfile::format::IsValidName(fd.name)) Problem(named + ": name has characters a field name may not have");
      for (const auto& s : seen)
        if (text::EqualsIgnoreCase(s, fd.name)) Problem(named + ": name repeats an earlier field's name");
      seen.push_back(fd.name);
      if (!allZero(main_, at + kDescNameArea, at + kDescType)) Problem(named + ": bytes 17..19 are not zero");
      fd.type = d.type;
      fd.offset = d.offset;
      fd.width = d.width;
      const bool isText = fd.type == static_cast<int>(FieldType::Text);
      if (!validType(fd.type)) {
        Problem(named + ": type " + str(fd.type) + " is not 1..12");
        layoutOk = false;
      } else if (isText) {
        if (fd.width < 1 || fd.width > kMaxTextWidth) {
          Problem(named + ": text width " + str(fd.width) + " is not 1..1024");
          if (fd.width < 1) layoutOk = false;
        }
      } else if (fd.width != 0) {
        Problem(named + ": width " + str(fd.width) + " of a non-text field is not 0");
      }
      if (fd.offset != expectOffset) {
        Problem(named + ": offset " + str(fd.offset) + ", expected " + str(expectOffset));
        layoutOk = false;
      }
      if (!allZero(main_, at + kDescWidth + 4, at + kDescriptorSize))
        Problem(named + ": reserved bytes are not zero");
      if (isChain(fd.type)) needsSide_ = true;
      if (validType(fd.type)) expectOffset += StoredWidth(static_cast<FieldType>(fd.type), isText ? fd.width : 0);
      fields_.push_back(fd);
    }
    if (recLen != expectOffset) {
      Problem("main: record length " + str(recLen) + ", but the fields add up to " + str(expectOffset));
      layoutOk = false;
    }

    if (count >= 0 && recLen > 0) {
      const std::uint64_t expected = headerSize + static_cast<std::uint64_t>(count) * static_cast<std::uint32_t>(recLen);
      if (size != expected)
        Problem("main: file is " + str(static_cast<std::int64_t>(size)) + " bytes, header and " +
                str(count) + " records of " + str(recLen) + " bytes make " +
                str(static_cast<std::int64_t>(expected)));
    }
    if (!layoutOk || count < 0) {
      if (count > 0) Problem("main: records not checked because the field layout is broken");
      return;
    }
    const std::uint64_t present = (size - headerSize) / static_cast<std::uint32_t>(recLen);
    const std::uint64_t records = std::min<std::uint64_t>(present, static_cast<std::uint32_t>(count));
    std::int64_t lastId = 0;
    for (std::uint64_t r = 0; r < records; ++r) {
      const std::size_t at = headerSize + r * static_cast<std::uint32_t>(recLen);
      const std::int64_t id = GetI32(&main_[at]);
      const std::int64_t absId = id < 0 ? -id : id;
      const std::string label = "record " + str(static_cast<std::int64_t>(r + 1));
      if (id == 0) Problem(label + ": id is 0");
      else if (absId <= lastId) Problem(label + ": id " + str(absId) + " does not grow past " + str(lastId));
      if (nextId > 0 && absId >= nextId) Problem(label + ": id " + str(absId) + " is not below the next id " + str(nextId));
      if (absId > lastId) lastId = absId;
      for (const Field& fd : fields_) {
        const std::size_t fa = at + static_cast<std::size_t>(fd.offset);
        const std::string where = label + " field " + fd.name;
        if (fd.type == static_cast<int>(FieldType::Logical) && main_[fa] > 1)
          Problem(where + ": logical byte " + str(main_[fa]) + " is not 0 or 1");
        if (fd.type == static_cast<int>(FieldType::Text)) {
          std::size_t z = 0;
          while (z < static_cast<std::size_t>(fd.width) && main_[fa + z] != 0) ++z;
          if (!allZero(main_, fa + z, fa + static_cast<std::size_t>(fd.width)))
            Problem(where + ": text is not zero-filled after its end");
        }
        if (isChain(fd.type) && GetU32(&main_[fa]) != 0) chains_.push_back({where, GetU32(&main_[fa])});
      }
    }
  }

  void CheckSide() {
    if (sidePath_.empty()) {
      Problem("side: the database has memo or byte-set fields but no side file");
      return;
    }
    if (!ReadWholeFile(sidePath_, &side_)) {
      out_.fatal = "cannot read " + sidePath_;
      return;
    }
    const std::size_t size = side_.size();
    if (size < kSideHeaderSize) {
      Problem("side: file is " + str(static_cast<std::int64_t>(size)) + " bytes, shorter than its 32-byte header");
      return;
    }
    SideHeader sh;
    if (!DecodeSideHeader(side_.data(), sh)) {
      Problem("side: magic is not \"WEDT\"");
      return;
    }
    if (ciphered_) {
      DecipherFileBytes(password_, side_);
      DecodeSideHeader(side_.data(), sh);
    }
    const std::uint32_t version = sh.version;
    if (version != version_) Problem("side: format version " + str(version) + " differs from the main file's " + str(version_));
    const double created = sh.created;
    if (!std::isfinite(created) || created < text::kMinDays || created > text::kMaxDays)
      Problem("side: creation date-time is not a valid day number");
    const std::int64_t blocks = sh.blockCount;
    const std::int64_t freeCount = sh.freeCount;
    const std::int64_t firstFree = sh.firstFree;
    if (blocks <= 0) Problem("side: block count " + str(blocks) + " is not positive");
    if (freeCount < 0 || freeCount >= std::max<std::int64_t>(blocks, 1))
      Problem("side: free block count " + str(freeCount) + " is not 0.." + str(blocks - 1));
    if (firstFree < 0 || firstFree >= std::max<std::int64_t>(blocks, 1))
      Problem("side: first free block " + str(firstFree) + " is not 0.." + str(blocks - 1));
    if (!allZero(side_, kSideOffFirstFree + 4, kSideBlockSize)) Problem("side: reserved bytes of block 0 are not zero");
    if (size % kSideBlockSize != 0 || static_cast<std::int64_t>(size / kSideBlockSize) != blocks)
      Problem("side: file is " + str(static_cast<std::int64_t>(size)) + " bytes, the header's " + str(blocks) +
              " blocks make " + str(blocks * static_cast<std::int64_t>(kSideBlockSize)));

    // Walk only blocks that are both counted and present.
    const std::int64_t usable = std::min<std::int64_t>(std::max<std::int64_t>(blocks, 0),
                                                       static_cast<std::int64_t>(size / kSideBlockSize));
    owner_.assign(static_cast<std::size_t>(std::max<std::int64_t>(usable, 1)), -1);
    for (std::size_t c = 0; c < chains_.size(); ++c) Walk(static_cast<int>(c), chains_[c].first, chains_[c].label, false);

    if (firstFree > 0) {
      const std::int64_t walked = Walk(kFreeChain, static_cast<std::uint32_t>(firstFree), "free list", true);
      if (walked != freeCount)
        Problem("side: free list holds " + str(walked) + " blocks, the header says " + str(freeCount));
    } else if (freeCount != 0) {
      Problem("side: no first free block, but the header counts " + str(freeCount) + " free blocks");
    }
    for (std::int64_t b = 1; b < usable; ++b)
      if (owner_[static_cast<std::size_t>(b)] == -1)
        Problem("side: block " + str(b) + " is lost (in no chain and not free)");
  }

  std::string OwnerName(int owner) const {
    return owner == kFreeChain ? "the free list" : chains_[static_cast<std::size_t>(owner)].label;
  }

  // Follows one chain, claiming its blocks; returns the number of blocks
  // claimed.
  std::int64_t Walk(int chain, std::uint32_t first, const std::string& label, bool freeList) {
    std::int64_t prev = 0;
    std::int64_t b = first;
    std::int64_t n = 0;
    while (b != 0) {
      if (b < 1 || b >= static_cast<std::int64_t>(owner_.size())) {
        Problem(label + ": block " + str(b) + (prev ? " (after block " + str(prev) + ")" : "") +
                " is outside the side file's blocks 1.." + str(static_cast<std::int64_t>(owner_.size()) - 1));
        break;
      }
      int& owner = owner_[static_cast<std::size_t>(b)];
      if (owner == chain) {
        Problem(label + ": chain loops back to block " + str(b));
        break;
      }
      if (owner != -1) {
        Problem(label + ": block " + str(b) + " is also in " + OwnerName(owner));
        break;
      }
      owner = chain;
      ++n;
      const std::size_t at = static_cast<std::size_t>(b) * kSideBlockSize;
      const BlockHeader bh = DecodeBlockHeader(&side_[at]);
      const std::int64_t back = bh.prev;
      const std::int64_t next = bh.next;
      const std::int64_t used = static_cast<std::int32_t>(bh.used);
      const std::string where = label + ": block " + str(b);
      if (back != prev) Problem(where + " has previous " + str(back) + ", expected " + str(prev));
      if (freeList) {
        if (used != 0) Problem(where + " is free but says " + str(used) + " bytes are used");
      } else if (used < 1 || used > static_cast<std::int64_t>(kBlockData)) {
        Problem(where + " has " + str(used) + " used bytes, not 1..500");
      } else if (!allZero(side_, at + kBlockHeaderSize + static_cast<std::size_t>(used), at + kSideBlockSize)) {
        Problem(where + " is not zero-filled after its " + str(used) + " used bytes");
      }
      prev = b;
      b = next;
    }
    return n;
  }

  static constexpr int kFreeChain = -2;

  std::string mainPath_, sidePath_, password_;
  CheckOutcome out_;
  Bytes main_, side_;
  std::uint32_t version_ = 0;
  bool needsSide_ = false;
  bool ciphered_ = false;
  std::vector<Field> fields_;
  std::vector<ChainRef> chains_;
  std::vector<int> owner_;
};

}  // namespace

CheckOutcome CheckFiles(const std::string& mainPath, const std::string& sidePath, const std::string& password) {
  return Checker(mainPath, sidePath, password).Run();
}

}  // namespace edb
