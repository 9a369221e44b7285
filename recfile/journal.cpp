#include "recfile/journal.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <vector>

#include <zlib.h>

#include "recfile/format.h"
#include "recfile/locks.h"

namespace recfile {

using namespace format;

namespace {

// The journal: a 32-byte header, then entries, each written whole in one
// write so that a cut-off one fails its checksum and ends the journal.
//   header: "WEDJ", version 2, main size (8), side size (8; all ones = no
//           side file), salt (4), checksum of the 28 bytes before it
//   entry:  file (1: 0 main, 1 side), 3 zeros, offset (8), length (4),
//           the bytes as they were, checksum of header and bytes under
//           the salt
// The checksums are CRC-32, the entries' started from the salt. Version 1
// (written before salts, by an older build) had FNV-1a checksums and no
// salt; such a journal left by a crash is still rolled back.
// A journal file kept between operations holds the entries of earlier
// ones after the current one's: each operation has its own salt, so they
// fail their checksums and end the journal. An emptied journal is one
// whose header is zeros.
constexpr char kMagic[4] = {'W', 'E', 'D', 'J'};
constexpr std::uint32_t kJournalVersion = 2;
constexpr std::uint32_t kFnvVersion = 1;
constexpr std::size_t kJournalHeader = 32;
constexpr std::size_t kEntryHeader = 16;
constexpr std::uint64_t kNoSide = ~std::uint64_t{0};
constexpr std::uint64_t kPiece = 256 * 1024;  // largest entry

std::uint32_t Checksum(std::uint32_t version, const std::uint8_t* p, std::size_t n,
                       std::uint32_t salt = 0) {
  if (version == kFnvVersion) {
    std::uint32_t h = 2166136261u;
    for (std::size_t i = 0; i < n; ++i) h = (h ^ p[i]) * 16777619u;
    return h;
  }
  return static_cast<std::uint32_t>(crc32_z(salt, p, n));
}

bool ValidHeader(const std::uint8_t* head) {
  const std::uint32_t version = GetU32(head + 4);
  return std::memcmp(head, kMagic, 4) == 0 && (version == kJournalVersion || version == kFnvVersion) &&
         GetU32(head + 28) == Checksum(version, head, 28);
}

// Puts back every whole entry of the journal in `journal` and the files'
// first sizes; `valid` tells whether it had a header at all. 0 also when
// the header never got written (or the journal was emptied): then nothing
// was changed yet.
int ApplyJournal(File& journal, File* main, File* side, bool& valid) {
  valid = false;
  std::uint8_t head[kJournalHeader];
  std::size_t got = 0;
  if (int e = journal.Read(0, head, kJournalHeader, got)) return e;
  if (got < kJournalHeader || !ValidHeader(head)) return 0;
  valid = true;
  const std::uint32_t version = GetU32(head + 4);
  const std::uint64_t sizes[2] = {GetU64(head + 8), GetU64(head + 16)};
  const std::uint32_t salt = GetU32(head + 24);
  File* files[2] = {main, side};
  std::vector<std::uint8_t> entry;
  for (std::uint64_t at = kJournalHeader;;) {
    std::uint8_t eh[kEntryHeader];
    if (int e = journal.Read(at, eh, kEntryHeader, got)) return e;
    if (got < kEntryHeader || eh[0] > 1) break;
    const std::uint64_t offset = GetU64(eh + 4);
    const std::uint32_t length = GetU32(eh + 12);
    if (length > kPiece) break;
    entry.resize(kEntryHeader + length + 4);
    if (int e = journal.Read(at, entry.data(), entry.size(), got)) return e;
    if (got < entry.size() || GetU32(&entry[kEntryHeader + length]) !=
                                  Checksum(version, entry.data(), kEntryHeader + length, salt))
      break;
    File* file = files[eh[0]];
    if (!file) return err::SideReadFailed;
    if (int e = file->Write(offset, &entry[kEntryHeader], length)) return e;
    at += entry.size();
  }
  for (int f = 0; f < 2; ++f) {
    if (!files[f] || sizes[f] == kNoSide) continue;
    std::uint64_t now = 0;
    if (int e = files[f]->Size(now)) return e;
    if (now != sizes[f]) {
      if (int e = files[f]->Truncate(sizes[f])) return e;
    }
  }
  return 0;
}

// Empties a journal: a header of zeros puts nothing back.
int EmptyJournal(File& journal) {
  const std::uint8_t zeros[kJournalHeader] = {};
  return journal.Write(0, zeros, kJournalHeader);
}

// Rolls back the journal at `path` (open as `journal`) onto the files and
// removes it. What was put back is durable before the journal is emptied,
// and the emptying before the removal: a removal lost in a power cut must
// not bring back a journal that would undo later operations.
int RecoverFrom(FileSystem& fs, const std::string& path, std::unique_ptr<File> journal, File* main,
                File* side) {
  bool valid = false;
  int e = ApplyJournal(*journal, main, side, valid);
  if (e == 0 && valid) {
    if (main) e = main->Sync();
    if (e == 0 && side) e = side->Sync();
    if (e == 0) e = EmptyJournal(*journal);
    if (e == 0) e = journal->Sync();
  }
  journal->Close();
  return e ? e : fs.Remove(path);
}

// The side size a journal recorded (kNoSide when none or unreadable).
std::uint64_t JournalSideSize(File& journal) {
  std::uint8_t head[kJournalHeader];
  std::size_t got = 0;
  if (journal.Read(0, head, kJournalHeader, got) != 0 || got < kJournalHeader || !ValidHeader(head))
    return kNoSide;
  return GetU64(head + 16);
}

}  // namespace

void Journal::Attach(FileSystem* fs, std::string path, File* main, File* side, bool locking) {
  fs_ = fs;
  path_ = std::move(path);
  files_[kMain] = main;
  files_[kSide] = side;
  locking_ = locking;
}

int Journal::LockWriters(FileSystem& fs, File& main) {
  return RetryWhileLocked(fs, [&] { return main.Lock(kWritersLockOffset, 1); });
}

void Journal::UnlockWriters(File& main) { main.Unlock(kWritersLockOffset, 1); }

int Journal::RecoverAt(FileSystem& fs, const std::string& journalPath, File& main,
                       const std::string& sidePath) {
  if (!fs.Exists(journalPath)) return 0;
  std::unique_ptr<File> journal;
  if (int e = fs.Open(journalPath, OpenOptions{true, false, ShareMode::None}, journal)) return e;
  std::unique_ptr<File> side;
  if (JournalSideSize(*journal) != kNoSide && fs.Exists(sidePath)) {
    if (int e = fs.Open(sidePath, OpenOptions{true, false, ShareMode::None}, side)) return e;
  }
  const int e = RecoverFrom(fs, journalPath, std::move(journal), &main, side.get());
  if (side) side->Close();
  return e;
}

void Journal::Release() {
  if (!journal_ || depth_ > 0) return;
  // Only while no operation runs anywhere, and only this engine's own
  // file: another process may have replaced it with its journal.
  if (!locking_ || files_[kMain]->Lock(kWritersLockOffset, 1) == 0) {
    if (fs_->Identity(path_) == journal_->Identity()) fs_->Remove(path_);
    if (locking_) UnlockWriters(*files_[kMain]);
  }
  journal_->Close();
  journal_.reset();
}

void Journal::Reset() {
  images_ = false;
  headerWritten_ = false;
  written_[kMain] = written_[kSide] = false;
}

int Journal::Begin(bool images) {
  if (depth_++ > 0) return 0;
  if (locking_) {
    if (int e = LockWriters(*fs_, *files_[kMain])) {
      depth_ = 0;
      return e;
    }
  }
  auto fail = [&](int e) {
    depth_ = 0;
    if (locking_) UnlockWriters(*files_[kMain]);
    return e;
  };
  // The kept journal serves again only while its name still leads to it.
  if (journal_ && fs_->Identity(path_) != journal_->Identity()) {
    journal_->Close();
    journal_.reset();
  }
  // Holding the writers' lock, any other journal on disk is one whose
  // writer died (or an emptied one another process kept).
  if (!journal_ && fs_->Exists(path_)) {
    std::unique_ptr<File> journal;
    int e = fs_->Open(path_, OpenOptions{true, false, ShareMode::None}, journal);
    if (e == 0) e = RecoverFrom(*fs_, path_, std::move(journal), files_[kMain], files_[kSide]);
    if (e != 0) return fail(e);
  }
  Reset();
  images_ = images;
  saved_[kMain].clear();
  saved_[kSide].clear();
  if (images) {
    for (int f = 0; f < 2; ++f) {
      sizes_[f] = kNoSide;
      if (files_[f]) {
        if (int e = files_[f]->Size(sizes_[f])) return fail(e);
      }
    }
  }
  return 0;
}

int Journal::EnsureHeader() {
  if (headerWritten_) return 0;
  if (!journal_) {
    OpenOptions options{true, true, ShareMode::None};
    options.fresh = true;
    if (int e = fs_->Open(path_, options, journal_)) return e;
    directoryPending_ = true;
    salt_ = 0;
  }
  ++salt_;
  std::uint8_t head[kJournalHeader] = {};
  std::memcpy(head, kMagic, 4);
  PutU32(head + 4, kJournalVersion);
  PutU64(head + 8, sizes_[kMain]);
  PutU64(head + 16, sizes_[kSide]);
  PutU32(head + 24, salt_);
  PutU32(head + 28, Checksum(kJournalVersion, head, 28));
  // Marked written before the write: cut off, it is still emptied or
  // applied at the end.
  headerWritten_ = true;
  syncedEnd_ = 0;
  if (int e = journal_->Write(0, head, kJournalHeader)) return e;
  journalEnd_ = kJournalHeader;
  return 0;
}

int Journal::Save(FileIndex file, std::uint64_t from, std::uint64_t to) {
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
  if (int e = EnsureHeader()) return e;
  std::vector<std::uint8_t> entry;
  for (auto [a, b] : gaps) {
    for (std::uint64_t p = a; p < b; p += kPiece) {
      const auto n = static_cast<std::size_t>(std::min(kPiece, b - p));
      entry.resize(kEntryHeader + n + 4);
      std::memset(entry.data(), 0, kEntryHeader);
      entry[0] = static_cast<std::uint8_t>(file);
      PutU64(&entry[4], p);
      PutU32(&entry[12], static_cast<std::uint32_t>(n));
      std::size_t got = 0;
      if (int e = files_[file]->Read(p, &entry[kEntryHeader], n, got)) return e;
      if (got != n) return err::ReadRecordFailed;
      PutU32(&entry[kEntryHeader + n], Checksum(kJournalVersion, entry.data(), kEntryHeader + n, salt_));
      if (int e = journal_->Write(journalEnd_, entry.data(), entry.size())) return e;
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

int Journal::MakeDurable() {
  if (journalEnd_ <= syncedEnd_) return 0;
  if (int e = journal_->Sync()) return e;
  if (directoryPending_) {
    if (int e = fs_->SyncDirectoryOf(path_)) return e;
    directoryPending_ = false;
  }
  syncedEnd_ = journalEnd_;
  return 0;
}

int Journal::Keep(FileIndex file, std::uint64_t offset, std::uint64_t n) {
  if (!capturing()) return 0;
  return Save(file, offset, offset + n);
}

int Journal::BeforeWrite(FileIndex file, std::uint64_t offset, std::uint64_t n) {
  if (depth_ == 0) return 0;
  written_[file] = true;
  if (!images_) return 0;
  // Even a write past the end needs the header: its first sizes take it away.
  if (int e = Save(file, offset, offset + n)) return e;
  if (int e = EnsureHeader()) return e;
  return MakeDurable();
}

int Journal::BeforeTruncate(FileIndex file, std::uint64_t length) {
  if (depth_ == 0) return 0;
  written_[file] = true;
  if (!images_) return 0;
  if (int e = Save(file, length, sizes_[file])) return e;
  if (int e = EnsureHeader()) return e;
  return MakeDurable();
}

int Journal::SyncWritten() {
  if (written_[kMain] && written_[kSide] && files_[kSide]) {
    files_[kMain]->StartWriteBack();
    files_[kSide]->StartWriteBack();
  }
  for (int f = 0; f < 2; ++f) {
    if (!written_[f] || !files_[f]) continue;
    if (int e = files_[f]->Sync()) return e;
  }
  return 0;
}

int Journal::Invalidate() {
  if (int e = EmptyJournal(*journal_)) return e;
  if (int e = journal_->Sync()) return e;
  headerWritten_ = false;
  // A journal grown large by a bulk operation gives its room back; an
  // emptied one needs no sync for that.
  constexpr std::uint64_t kKeptBytes = 1 << 20;
  if (journalEnd_ > kKeptBytes) journal_->Truncate(0);
  return 0;
}

int Journal::Commit() {
  if (depth_ == 0) return 0;
  if (--depth_ > 0) return 0;
  // The files are durable before the journal lets go of them.
  int e = SyncWritten();
  if (e == 0 && headerWritten_) e = Invalidate();
  if (e != 0) {
    // A journal that stays would undo this operation later: undo it now.
    ++depth_;
    Rollback();
    return e;
  }
  Reset();
  if (locking_) UnlockWriters(*files_[kMain]);
  return 0;
}

int Journal::Rollback() {
  if (depth_ == 0) return 0;
  if (depth_ > 1) {
    --depth_;  // the outer operation decides
    return 0;
  }
  depth_ = 0;
  int e = 0;
  if (images_ && headerWritten_) {
    images_ = false;  // the writes that put things back are not saved again
    bool valid = false;
    e = ApplyJournal(*journal_, files_[kMain], files_[kSide], valid);
    written_[kMain] = written_[kSide] = true;
    if (e == 0) e = SyncWritten();
    if (e == 0) e = Invalidate();
    // Left in place when it could not be applied: the next operation
    // takes it up again.
    if (e != 0) {
      journal_->Close();
      journal_.reset();
    }
  }
  Reset();
  if (locking_) UnlockWriters(*files_[kMain]);
  return e;
}

}  // namespace recfile
