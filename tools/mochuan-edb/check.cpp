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

using recfile::format::kBlockData;
using recfile::format::kDescriptorSize;
using recfile::format::kHeaderSize;
using recfile::format::kSideHeaderSize;
using recfile::format::kVersion;
constexpr std::size_t kSideBlockSize = recfile::format::kBlockSize;

using Bytes = std::vector<std::uint8_t>;

std::uint32_t u32(const Bytes& b, std::size_t at) {
  return static_cast<std::uint32_t>(b[at]) | static_cast<std::uint32_t>(b[at + 1]) << 8 |
         static_cast<std::uint32_t>(b[at + 2]) << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}
std::int32_t i32(const Bytes& b, std::size_t at) { return static_cast<std::int32_t>(u32(b, at)); }
double f64(const Bytes& b, std::size_t at) {
  double d;
  std::memcpy(&d, b.data() + at, 8);
  return d;
}

bool allZero(const Bytes& b, std::size_t from, std::size_t to) {
  for (std::size_t i = from; i < to && i < b.size(); ++i)
    if (b[i] != 0) return false;
  return true;
}

std::string str(std::int64_t v) { return std::to_string(v); }

int fieldWidth(int type, int textWidth) {
  switch (type) {
    case 1: case 7: return 1;
    case 2: return 2;
    case 3: case 5: case 9: case 11: case 12: return 4;
    case 4: case 6: case 8: return 8;
    case 10: return textWidth;
    default: return 0;
  }
}

std::string lowerAscii(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return s;
}

struct Field {
  std::string name;  // UTF-8
  int type = 0;
  int offset = 0;
  int width = 0;
};

struct ChainRef {
  std::string label;  // "record 3 field 题文1"
  std::uint32_t first;
};

class Checker {
 public:
  Checker(const std::string& mainPath, const std::string& sidePath, const std::string& password)
      : mainPath_(mainPath), sidePath_(sidePath), password_(password) {}

  CheckOutcome run() {
    if (!ReadWholeFile(mainPath_, &main_)) {
      out_.fatal = "cannot read " + mainPath_;
      return out_;
    }
    checkMain();
    if (!out_.fatal.empty()) return out_;
    if (needsSide_) checkSide();
    return out_;
  }

 private:
  void problem(const std::string& what) { out_.problems.push_back(what); }

  void checkMain() {
    const std::size_t size = main_.size();
    if (size < kHeaderSize) {
      problem("main: file is " + str(static_cast<std::int64_t>(size)) +
              " bytes, shorter than the 112-byte header");
      return;
    }
    const std::string magic(main_.begin(), main_.begin() + 4);
    const bool ciphered = magic == "WCDB";
    ciphered_ = ciphered;
    if (magic != "WEDB" && !ciphered) {
      problem("main: magic is not \"WEDB\" or \"WCDB\"");
      return;
    }
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
      const std::string stored(main_.begin() + 28, main_.begin() + 60);
      if (lowerAscii(stored) != lowerAscii(recfile::PasswordDigest(password_))) {
        out_.fatal = mainPath_ + ": " + str(recfile::err::WrongPassword) + " " +
                     recfile::ErrorText(recfile::err::WrongPassword);
        return;
      }
      if (main_[60] != 0 || !allZero(main_, 61, 64))
        problem("main: the password digest is not followed by zero bytes");
    } else if (!allZero(main_, 28, 64)) {
      problem("main: the password digest area of a file without password is not zero");
    }

    const std::uint32_t version = u32(main_, 4);
    version_ = version;
    if (version != kVersion) problem("main: format version is " + str(version) + ", not 65536");
    const double created = f64(main_, 8);
    if (!std::isfinite(created) || created < text::kMinDays || created > text::kMaxDays)
      problem("main: creation date-time is not a valid day number");
    const std::int32_t count = i32(main_, 16);
    const std::int32_t nextId = i32(main_, 20);
    const std::int32_t recLen = i32(main_, 24);
    if (count < 0) problem("main: record count " + str(count) + " is negative");
    if (nextId <= 0) problem("main: next record id " + str(nextId) + " is not positive");
    if (recLen <= 0) problem("main: record length " + str(recLen) + " is not positive");
    if (!allZero(main_, 64, kHeaderSize)) problem("main: reserved header bytes 64..111 are not zero");

    if (size < kHeaderSize + 4) {
      problem("main: file ends before the field count");
      return;
    }
    const std::int32_t fieldCount = i32(main_, kHeaderSize);
    if (fieldCount < 1) {
      problem("main: field count " + str(fieldCount) + " is less than 1");
      return;
    }
    const std::uint64_t headerSize =
        kHeaderSize + 4 + static_cast<std::uint64_t>(kDescriptorSize) * static_cast<std::uint32_t>(fieldCount);
    if (headerSize > size) {
      problem("main: field table of " + str(fieldCount) + " fields runs past the end of the file");
      return;
    }

    bool layoutOk = recLen > 0;
    std::int64_t expectOffset = 4;
    std::vector<std::string> seen;
    for (std::int32_t f = 0; f < fieldCount; ++f) {
      const std::size_t at = kHeaderSize + 4 + static_cast<std::size_t>(f) * kDescriptorSize;
      const std::string label = "field " + str(f + 1);
      Field fd;
      std::size_t nameLen = 0;
      while (nameLen < 17 && main_[at + nameLen] != 0) ++nameLen;
      if (nameLen == 17) {
        problem(label + ": name has no terminating zero within 17 bytes");
        nameLen = 16;
      }
      fd.name = text::toUtf8(std::string(main_.begin() + static_cast<std::ptrdiff_t>(at),
                                         main_.begin() + static_cast<std::ptrdiff_t>(at + nameLen)));
      const std::string named = label + " (" + fd.name + ")";
      if (nameLen == 0) problem(label + ": name is empty");
      else if (!recfile::format::isValidName(fd.name)) problem(named + ": name has characters a field name may not have");
      const std::string folded = lowerAscii(fd.name);
      for (const auto& s : seen)
        if (s == folded) problem(named + ": name repeats an earlier field's name");
      seen.push_back(folded);
      if (!allZero(main_, at + 17, at + 20)) problem(named + ": bytes 17..19 are not zero");
      fd.type = i32(main_, at + 20);
      fd.offset = i32(main_, at + 24);
      fd.width = i32(main_, at + 28);
      if (fd.type < 1 || fd.type > 12) {
        problem(named + ": type " + str(fd.type) + " is not 1..12");
        layoutOk = false;
      } else if (fd.type == 10) {
        if (fd.width < 1 || fd.width > 1024) {
          problem(named + ": text width " + str(fd.width) + " is not 1..1024");
          if (fd.width < 1) layoutOk = false;
        }
      } else if (fd.width != 0) {
        problem(named + ": width " + str(fd.width) + " of a non-text field is not 0");
      }
      if (fd.offset != expectOffset) {
        problem(named + ": offset " + str(fd.offset) + ", expected " + str(expectOffset));
        layoutOk = false;
      }
      if (!allZero(main_, at + 32, at + kDescriptorSize)) problem(named + ": reserved bytes are not zero");
      if (fd.type == 11 || fd.type == 12) needsSide_ = true;
      expectOffset += fieldWidth(fd.type, fd.type == 10 ? fd.width : 0);
      fields_.push_back(fd);
    }
    if (recLen != expectOffset) {
      problem("main: record length " + str(recLen) + ", but the fields add up to " + str(expectOffset));
      layoutOk = false;
    }

    if (count >= 0 && recLen > 0) {
      const std::uint64_t expected = headerSize + static_cast<std::uint64_t>(count) * static_cast<std::uint32_t>(recLen);
      if (size != expected)
        problem("main: file is " + str(static_cast<std::int64_t>(size)) + " bytes, header and " +
                str(count) + " records of " + str(recLen) + " bytes make " +
                str(static_cast<std::int64_t>(expected)));
    }
    if (!layoutOk || count < 0) {
      if (count > 0) problem("main: records not checked because the field layout is broken");
      return;
    }
    const std::uint64_t present = (size - headerSize) / static_cast<std::uint32_t>(recLen);
    const std::uint64_t records = std::min<std::uint64_t>(present, static_cast<std::uint32_t>(count));
    std::int64_t lastId = 0;
    for (std::uint64_t r = 0; r < records; ++r) {
      const std::size_t at = headerSize + r * static_cast<std::uint32_t>(recLen);
      const std::int64_t id = i32(main_, at);
      const std::int64_t absId = id < 0 ? -id : id;
      const std::string label = "record " + str(static_cast<std::int64_t>(r + 1));
      if (id == 0) problem(label + ": id is 0");
      else if (absId <= lastId) problem(label + ": id " + str(absId) + " does not grow past " + str(lastId));
      if (nextId > 0 && absId >= nextId) problem(label + ": id " + str(absId) + " is not below the next id " + str(nextId));
      if (absId > lastId) lastId = absId;
      for (const Field& fd : fields_) {
        const std::size_t fa = at + static_cast<std::size_t>(fd.offset);
        const std::string where = label + " field " + fd.name;
        if (fd.type == 7 && main_[fa] > 1) problem(where + ": logical byte " + str(main_[fa]) + " is not 0 or 1");
        if (fd.type == 10) {
          std::size_t z = 0;
          while (z < static_cast<std::size_t>(fd.width) && main_[fa + z] != 0) ++z;
          if (!allZero(main_, fa + z, fa + static_cast<std::size_t>(fd.width)))
            problem(where + ": text is not zero-filled after its end");
        }
        if ((fd.type == 11 || fd.type == 12) && u32(main_, fa) != 0)
          chains_.push_back({where, u32(main_, fa)});
      }
    }
  }

  void checkSide() {
    if (sidePath_.empty()) {
      problem("side: the database has memo or byte-set fields but no side file");
      return;
    }
    if (!ReadWholeFile(sidePath_, &side_)) {
      out_.fatal = "cannot read " + sidePath_;
      return;
    }
    const std::size_t size = side_.size();
    if (size < kSideHeaderSize) {
      problem("side: file is " + str(static_cast<std::int64_t>(size)) + " bytes, shorter than its 32-byte header");
      return;
    }
    const std::string magic(side_.begin(), side_.begin() + 4);
    if (magic != "WEDT") {
      problem("side: magic is not \"WEDT\"");
      return;
    }
    if (ciphered_) DecipherFileBytes(password_, side_);
    const std::uint32_t version = u32(side_, 4);
    if (version != version_) problem("side: format version " + str(version) + " differs from the main file's " + str(version_));
    const double created = f64(side_, 8);
    if (!std::isfinite(created) || created < text::kMinDays || created > text::kMaxDays)
      problem("side: creation date-time is not a valid day number");
    const std::int64_t blocks = i32(side_, 16);
    const std::int64_t freeCount = i32(side_, 20);
    const std::int64_t firstFree = i32(side_, 24);
    if (blocks <= 0) problem("side: block count " + str(blocks) + " is not positive");
    if (freeCount < 0 || freeCount >= std::max<std::int64_t>(blocks, 1))
      problem("side: free block count " + str(freeCount) + " is not 0.." + str(blocks - 1));
    if (firstFree < 0 || firstFree >= std::max<std::int64_t>(blocks, 1))
      problem("side: first free block " + str(firstFree) + " is not 0.." + str(blocks - 1));
    if (!allZero(side_, 28, kSideBlockSize)) problem("side: reserved bytes of block 0 are not zero");
    if (size % kSideBlockSize != 0 || static_cast<std::int64_t>(size / kSideBlockSize) != blocks)
      problem("side: file is " + str(static_cast<std::int64_t>(size)) + " bytes, the header's " + str(blocks) +
              " blocks make " + str(blocks * static_cast<std::int64_t>(kSideBlockSize)));

    // Walk only blocks that are both counted and present.
    const std::int64_t usable = std::min<std::int64_t>(std::max<std::int64_t>(blocks, 0),
                                                       static_cast<std::int64_t>(size / kSideBlockSize));
    owner_.assign(static_cast<std::size_t>(std::max<std::int64_t>(usable, 1)), -1);
    for (std::size_t c = 0; c < chains_.size(); ++c) walk(static_cast<int>(c), chains_[c].first, chains_[c].label, false);

    if (firstFree > 0) {
      const std::int64_t walked = walk(kFreeChain, static_cast<std::uint32_t>(firstFree), "free list", true);
      if (walked != freeCount)
        problem("side: free list holds " + str(walked) + " blocks, the header says " + str(freeCount));
    } else if (freeCount != 0) {
      problem("side: no first free block, but the header counts " + str(freeCount) + " free blocks");
    }
    for (std::int64_t b = 1; b < usable; ++b)
      if (owner_[static_cast<std::size_t>(b)] == -1)
        problem("side: block " + str(b) + " is lost (in no chain and not free)");
  }

  std::string ownerName(int owner) const {
    return owner == kFreeChain ? "the free list" : chains_[static_cast<std::size_t>(owner)].label;
  }

  // Follows one chain, claiming its blocks; returns the number of blocks
  // claimed.
  std::int64_t walk(int chain, std::uint32_t first, const std::string& label, bool freeList) {
    std::int64_t prev = 0;
    std::int64_t b = first;
    std::int64_t n = 0;
    while (b != 0) {
      if (b < 1 || b >= static_cast<std::int64_t>(owner_.size())) {
        problem(label + ": block " + str(b) + (prev ? " (after block " + str(prev) + ")" : "") +
                " is outside the side file's blocks 1.." + str(static_cast<std::int64_t>(owner_.size()) - 1));
        break;
      }
      int& owner = owner_[static_cast<std::size_t>(b)];
      if (owner == chain) {
        problem(label + ": chain loops back to block " + str(b));
        break;
      }
      if (owner != -1) {
        problem(label + ": block " + str(b) + " is also in " + ownerName(owner));
        break;
      }
      owner = chain;
      ++n;
      const std::size_t at = static_cast<std::size_t>(b) * kSideBlockSize;
      const std::int64_t back = u32(side_, at);
      const std::int64_t next = u32(side_, at + 4);
      const std::int64_t used = i32(side_, at + 8);
      const std::string where = label + ": block " + str(b);
      if (back != prev) problem(where + " has previous " + str(back) + ", expected " + str(prev));
      if (freeList) {
        if (used != 0) problem(where + " is free but says " + str(used) + " bytes are used");
      } else if (used < 1 || used > static_cast<std::int64_t>(kBlockData)) {
        problem(where + " has " + str(used) + " used bytes, not 1..500");
      } else if (!allZero(side_, at + 12 + static_cast<std::size_t>(used), at + kSideBlockSize)) {
        problem(where + " is not zero-filled after its " + str(used) + " used bytes");
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
  return Checker(mainPath, sidePath, password).run();
}

}  // namespace edb
