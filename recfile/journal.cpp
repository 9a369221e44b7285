#include "recfile/journal.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <vector>

#include "recfile/format.h"

namespace recfile {

using namespace format;

namespace {

// The journal: a 32-byte header, then entries, each written whole in one
// write so that a cut-off one fails its checksum and ends the journal.
//   header: "WEDJ", version 1, main size (8), side size (8; all ones = no
//           side file), checksum of the 28 bytes before it
//   entry:  file (1: 0 main, 1 side), 3 zeros, offset (8), length (4),
//           the bytes as they were, checksum of header and bytes
constexpr char kMagic[4] = {'W', 'E', 'D', 'J'};
constexpr std::uint32_t kJournalVersion = 1;
constexpr std::size_t kJournalHeader = 32;
constexpr std::size_t kEntryHeader = 16;
constexpr std::uint64_t kNoSide = ~std::uint64_t{0};
constexpr std::uint64_t kPiece = 256 * 1024;  // largest entry

std::uint32_t checksum(const std::uint8_t* p, std::size_t n) {
  std::uint32_t h = 2166136261u;  // FNV-1a
  for (std::size_t i = 0; i < n; ++i) h = (h ^ p[i]) * 16777619u;
  return h;
}

bool lockedElsewhere(int e) { return e == err::LockViolation || e == err::SharingViolation; }

// Puts back every whole entry of the journal in `journal` and the files'
// first sizes. 0 also when the journal never got its header written: then
// nothing was changed yet.
int applyJournal(File& journal, File* main, File* side) {
  std::uint8_t head[kJournalHeader];
  std::size_t got = 0;
  if (int e = journal.read(0, head, kJournalHeader, got)) return e;
  if (got < kJournalHeader || std::memcmp(head, kMagic, 4) != 0 ||
      getU32(head + 4) != kJournalVersion || getU32(head + 28) != checksum(head, 28))
    return 0;
  const std::uint64_t sizes[2] = {getU64(head + 8), getU64(head + 16)};
  File* files[2] = {main, side};
  std::vector<std::uint8_t> entry;
  for (std::uint64_t at = kJournalHeader;;) {
    std::uint8_t eh[kEntryHeader];
    if (int e = journal.read(at, eh, kEntryHeader, got)) return e;
    if (got < kEntryHeader || eh[0] > 1) break;
    const std::uint64_t offset = getU64(eh + 4);
    const std::uint32_t length = getU32(eh + 12);
    if (length > kPiece) break;
    entry.resize(kEntryHeader + length + 4);
    if (int e = journal.read(at, entry.data(), entry.size(), got)) return e;
    if (got < entry.size() ||
        getU32(&entry[kEntryHeader + length]) != checksum(entry.data(), kEntryHeader + length))
      break;
    File* file = files[eh[0]];
    if (!file) return err::SideReadFailed;
    if (int e = file->write(offset, &entry[kEntryHeader], length)) return e;
    at += entry.size();
  }
  for (int f = 0; f < 2; ++f) {
    if (!files[f] || sizes[f] == kNoSide) continue;
    std::uint64_t now = 0;
    if (int e = files[f]->size(now)) return e;
    if (now != sizes[f]) {
      if (int e = files[f]->truncate(sizes[f])) return e;
    }
  }
  return 0;
}

// The side size a journal recorded (kNoSide when none or unreadable).
std::uint64_t journalSideSize(File& journal) {
  std::uint8_t head[kJournalHeader];
  std::size_t got = 0;
  if (journal.read(0, head, kJournalHeader, got) != 0 || got < kJournalHeader ||
      getU32(head + 28) != checksum(head, 28))
    return kNoSide;
  return getU64(head + 16);
}

}  // namespace

void Journal::attach(FileSystem* fs, std::string path, File* main, File* side, bool locking) {
  fs_ = fs;
  path_ = std::move(path);
  files_[kMain] = main;
  files_[kSide] = side;
  locking_ = locking;
}

int Journal::lockWriters(FileSystem& fs, File& main) {
  const std::uint64_t start = fs.monotonicMs();
  for (;;) {
    const int e = main.lock(kWritersLockOffset, 1);
    if (!lockedElsewhere(e)) return e;
    const std::uint64_t now = fs.monotonicMs();
    if (now - start >= 2000) return e;
    fs.sleepMs(static_cast<unsigned>(20 + now % 20));
  }
}

void Journal::unlockWriters(File& main) { main.unlock(kWritersLockOffset, 1); }

int Journal::recoverAt(FileSystem& fs, const std::string& journalPath, File& main,
                       const std::string& sidePath) {
  if (!fs.exists(journalPath)) return 0;
  std::unique_ptr<File> journal;
  if (int e = fs.open(journalPath, OpenOptions{true, false, ShareMode::None}, journal)) return e;
  std::unique_ptr<File> side;
  if (journalSideSize(*journal) != kNoSide && fs.exists(sidePath)) {
    if (int e = fs.open(sidePath, OpenOptions{true, false, ShareMode::None}, side)) return e;
  }
  if (int e = applyJournal(*journal, &main, side.get())) return e;
  journal->close();
  if (side) side->close();
  return fs.remove(journalPath);
}

int Journal::begin(bool images) {
  if (depth_++ > 0) return 0;
  if (locking_) {
    if (int e = lockWriters(*fs_, *files_[kMain])) {
      depth_ = 0;
      return e;
    }
  }
  // Holding the writers' lock, a journal on disk is one whose writer died.
  if (fs_->exists(path_)) {
    std::unique_ptr<File> journal;
    int e = fs_->open(path_, OpenOptions{true, false, ShareMode::None}, journal);
    if (e == 0) e = applyJournal(*journal, files_[kMain], files_[kSide]);
    if (journal) journal->close();
    if (e == 0) e = fs_->remove(path_);
    if (e != 0) {
      depth_ = 0;
      if (locking_) unlockWriters(*files_[kMain]);
      return e;
    }
  }
  images_ = images;
  saved_[kMain].clear();
  saved_[kSide].clear();
  journalEnd_ = 0;
  if (images) {
    for (int f = 0; f < 2; ++f) {
      sizes_[f] = kNoSide;
      if (files_[f]) {
        if (int e = files_[f]->size(sizes_[f])) {
          depth_ = 0;
          if (locking_) unlockWriters(*files_[kMain]);
          return e;
        }
      }
    }
    // Written before the first change: even blocks added past the end are
    // taken away again when the operation does not finish.
    if (int e = ensureOpen()) {
      rollback();
      return e;
    }
  }
  return 0;
}

int Journal::ensureOpen() {
  if (journal_) return 0;
  OpenOptions options{true, true, ShareMode::None};
  options.fresh = true;
  if (int e = fs_->open(path_, options, journal_)) return e;
  std::uint8_t head[kJournalHeader] = {};
  std::memcpy(head, kMagic, 4);
  putU32(head + 4, kJournalVersion);
  putU64(head + 8, sizes_[kMain]);
  putU64(head + 16, sizes_[kSide]);
  putU32(head + 28, checksum(head, 28));
  if (int e = journal_->write(0, head, kJournalHeader)) return e;
  journalEnd_ = kJournalHeader;
  return 0;
}

int Journal::save(FileIndex file, std::uint64_t from, std::uint64_t to) {
  // Only bytes the file had when the operation began, and each only once:
  // the first image is the one to put back.
  to = std::min(to, sizes_[file]);
  if (from >= to) return 0;
  auto& saved = saved_[file];
  std::vector<std::pair<std::uint64_t, std::uint64_t>> gaps;
  std::uint64_t at = from;
  auto it = saved.upper_bound(from);
  if (it != saved.begin()) {
    auto prev = std::prev(it);
    if (prev->second > at) at = prev->second;
  }
  for (; at < to; ++it) {
    const std::uint64_t next = it == saved.end() ? to : std::min(to, it->first);
    if (next > at) gaps.emplace_back(at, next);
    if (it == saved.end()) break;
    at = std::max(at, it->second);
  }
  if (gaps.empty()) return 0;
  if (int e = ensureOpen()) return e;
  std::vector<std::uint8_t> entry;
  for (auto [a, b] : gaps) {
    for (std::uint64_t p = a; p < b; p += kPiece) {
      const auto n = static_cast<std::size_t>(std::min(kPiece, b - p));
      entry.assign(kEntryHeader + n + 4, 0);
      entry[0] = static_cast<std::uint8_t>(file);
      putU64(&entry[4], p);
      putU32(&entry[12], static_cast<std::uint32_t>(n));
      std::size_t got = 0;
      if (int e = files_[file]->read(p, &entry[kEntryHeader], n, got)) return e;
      if (got != n) return err::ReadRecordFailed;
      putU32(&entry[kEntryHeader + n], checksum(entry.data(), kEntryHeader + n));
      if (int e = journal_->write(journalEnd_, entry.data(), entry.size())) return e;
      journalEnd_ += entry.size();
    }
    // Record the range, merged with its neighbours.
    std::uint64_t start = a, end = b;
    auto lo = saved.lower_bound(a);
    if (lo != saved.begin() && std::prev(lo)->second >= a) --lo;
    while (lo != saved.end() && lo->first <= end) {
      start = std::min(start, lo->first);
      end = std::max(end, lo->second);
      lo = saved.erase(lo);
    }
    saved[start] = end;
  }
  return 0;
}

int Journal::beforeWrite(FileIndex file, std::uint64_t offset, std::uint64_t n) {
  if (!capturing()) return 0;
  return save(file, offset, offset + n);
}

int Journal::beforeTruncate(FileIndex file, std::uint64_t length) {
  if (!capturing()) return 0;
  return save(file, length, sizes_[file]);
}

int Journal::finish() {
  int e = 0;
  if (journal_) {
    journal_->close();
    journal_.reset();
    e = fs_->remove(path_);
  }
  return e;
}

int Journal::commit() {
  if (depth_ == 0) return 0;
  if (--depth_ > 0) return 0;
  int e = finish();
  if (e != 0) {
    // A journal that stays would undo this operation later: undo it now.
    ++depth_;
    rollback();
    return e;
  }
  images_ = false;
  if (locking_) unlockWriters(*files_[kMain]);
  return 0;
}

int Journal::rollback() {
  if (depth_ == 0) return 0;
  if (depth_ > 1) {
    --depth_;  // the outer operation decides
    return 0;
  }
  depth_ = 0;
  int e = 0;
  if (images_) {
    images_ = false;  // the writes that put things back are not saved again
    if (journal_) {
      e = applyJournal(*journal_, files_[kMain], files_[kSide]);
    } else {
      // Nothing was changed in place; only what was added goes.
      for (int f = 0; f < 2 && e == 0; ++f) {
        std::uint64_t now = 0;
        if (!files_[f] || sizes_[f] == kNoSide) continue;
        e = files_[f]->size(now);
        if (e == 0 && now != sizes_[f]) e = files_[f]->truncate(sizes_[f]);
      }
    }
    // Left in place when it could not be applied: the next operation
    // takes it up again.
    if (e == 0) {
      e = finish();
    } else if (journal_) {
      journal_->close();
      journal_.reset();
    }
  }
  if (locking_) unlockWriters(*files_[kMain]);
  return e;
}

}  // namespace recfile
