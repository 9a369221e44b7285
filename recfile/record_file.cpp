#include "recfile/record_file.h"

#include <climits>
#include <cstdlib>
#include <cstring>

#include "recfile/paths.h"
#include "text/text.h"

namespace recfile {

using namespace format;

namespace {

bool IsChainType(FieldType t) { return t == FieldType::Memo || t == FieldType::ByteSet; }

bool LockedElsewhere(int e) { return e == err::LockViolation || e == err::SharingViolation; }

bool DigestMatches(const Header& h, const std::string& digest) {
  const std::string_view stored(reinterpret_cast<const char*>(h.digest.data()), kDigestChars);
  return text::EqualsIgnoreCase(stored, digest);
}

}  // namespace

int RecordFile::Create(FileSystem& fs, const std::string& path, const std::string& sidePath,
                       const std::vector<Descriptor>& fields, std::uint32_t recordLength) {
  const OpenOptions options{true, true, ShareMode::DenyReadWrite};
  const double now = text::NowDays();
  // A journal of the file being replaced must never be applied to the new one.
  const std::string journalPath = paths::JournalFileName(path);
  if (fs.Exists(journalPath) && fs.Remove(journalPath) != 0) return err::CreateFailed;
  {
    std::unique_ptr<File> file;
    if (fs.Open(path, options, file) != 0) return err::CreateFailed;
    std::vector<std::uint8_t> bytes(format::HeaderSize(fields.size()), 0);
    Header h;
    h.created = now;
    h.recordLength = static_cast<std::int32_t>(recordLength);
    EncodeHeader(h, bytes.data());
    PutU32(&bytes[kOffFieldCount], static_cast<std::uint32_t>(fields.size()));
    for (std::size_t i = 0; i < fields.size(); ++i)
      EncodeDescriptor(fields[i], &bytes[kOffFieldCount + 4 + i * kDescriptorSize]);
    if (file->Write(0, bytes.data(), bytes.size()) != 0 || file->Sync() != 0 || file->Close() != 0)
      return err::CreateFailed;
  }
  bool needsSide = false;
  for (const auto& d : fields) needsSide |= IsChainType(static_cast<FieldType>(d.type));
  if (!needsSide) return fs.SyncDirectoryOf(path) == 0 ? 0 : err::CreateFailed;

  std::unique_ptr<File> side;
  std::vector<std::uint8_t> block(kBlockSize, 0);
  SideHeader sh;
  sh.created = now;
  EncodeSideHeader(sh, block.data());
  if (fs.Open(sidePath, options, side) != 0 || side->Write(0, block.data(), block.size()) != 0 ||
      side->Sync() != 0 || side->Close() != 0 || fs.SyncDirectoryOf(sidePath) != 0) {
    // A main file without its side file would not open; leave neither.
    fs.Remove(path);
    return err::SideCreateFailed;
  }
  return 0;
}

int RecordFile::Open(FileSystem& fs, const OpenRequest& req, std::unique_ptr<RecordFile>& out) {
  auto rf = std::make_unique<RecordFile>();
  rf->fs = &fs;
  rf->path = req.path;
  rf->readOnly = req.readOnly;
  rf->share = req.share;
  const OpenOptions options{!req.readOnly, false, req.share};
  const bool locking = req.share == ShareMode::None || req.share == ShareMode::DenyWrite;

  if (int e = fs.Open(req.path, options, rf->mainFile)) return e;
  rf->mainLocks.Attach(rf->mainFile.get(), locking);
  // An operation cut off in another process is undone before anything is
  // read; one still running is waited for.
  if (!req.readOnly) {
    if (locking) {
      if (int e = Journal::LockWriters(fs, *rf->mainFile)) return e;
    }
    if (int e = Journal::RecoverAt(fs, req.journalPath, *rf->mainFile, req.sidePath)) return e;
  }
  // Another process reading or writing a record holds its byte only for a
  // moment: the opening waits for it as for the count.
  ScopedLock whole;
  if (int e = RetryWhileLocked(fs, [&] { return whole.LockWhole(rf->mainLocks); })) return e;

  // Header and password.
  std::uint8_t raw[kHeaderSize] = {};
  std::size_t got = 0;
  if (int e = rf->mainFile->Read(0, raw, kHeaderSize, got)) return e;
  Header& h = rf->header;
  if (got < kHeaderSize || !DecodeHeader(raw, h)) return err::NotADatabase;
  if (h.ciphered != !req.gbkPassword.empty()) return err::WrongPassword;
  if (h.ciphered) {
    rf->cipher = std::make_unique<PageCipher>(req.gbkPassword);
    rf->cipher->Apply(0, raw, kHeaderSize);
    DecodeHeader(raw, h);
    if (!DigestMatches(h, rf->cipher->digest())) return err::WrongPassword;
  }
  const CipheredFile io = rf->mainIo();
  if (h.recordLength <= 0 || h.count < 0 || h.nextId <= 0) return err::NotADatabase;
  if (h.version > kVersion) return err::VersionTooHigh;

  // Field table.
  std::uint64_t size = 0;
  if (int e = rf->mainFile->Size(size)) return e;
  std::uint8_t countBytes[4];
  if (io.ReadExact(kOffFieldCount, countBytes, 4, err::NotADatabase) != 0) return err::NotADatabase;
  const std::int32_t fieldCount = GetI32(countBytes);
  if (fieldCount < 1 || format::HeaderSize(static_cast<std::uint64_t>(fieldCount)) > size)
    return err::NotADatabase;
  rf->headerSize = format::HeaderSize(static_cast<std::uint64_t>(fieldCount));
  rf->recordLength = static_cast<std::uint32_t>(h.recordLength);
  std::vector<std::uint8_t> table(kDescriptorSize * static_cast<std::size_t>(fieldCount));
  if (io.ReadExact(kOffFieldCount + 4, table.data(), table.size(), err::NotADatabase) != 0)
    return err::NotADatabase;
  bool needsSide = false;
  std::int64_t widths = kRecordIdSize;
  for (std::int32_t i = 0; i < fieldCount; ++i) {
    Descriptor d;
    if (!DecodeDescriptor(&table[static_cast<std::size_t>(i) * kDescriptorSize], d))
      return err::NotADatabase;
    if (d.offset < 0 || d.type < 1 || d.type > 12) return err::NotADatabase;
    const auto type = static_cast<FieldType>(d.type);
    if (type == FieldType::Text && d.width <= 0) return err::NotADatabase;
    // Wider texts are never written; refusing them bounds what a damaged
    // header can make the engine allocate.
    if (type == FieldType::Text && d.width > kMaxTextWidth) return err::NotADatabase;
    const int width = StoredWidth(type, d.width);
    widths += width;
    // A field reaching outside the record would read past its buffer.
    if (d.offset < static_cast<int>(kRecordIdSize) ||
        std::int64_t{d.offset} + width > std::int64_t{h.recordLength})
      return err::NotADatabase;
    rf->fields.push_back({text::ToUtf8(d.gbkName), type, d.offset, width,
                          type == FieldType::Text ? d.width : 0});
    needsSide |= IsChainType(type);
  }
  if (widths != h.recordLength) return err::NotADatabase;

  // Whole records present.
  const std::uint64_t present = (size - rf->headerSize) / rf->recordLength;
  bool rewriteCount = false;
  if (present < static_cast<std::uint64_t>(h.count)) {
    if (req.readOnly) return err::BadFileSize;
    h.count = static_cast<std::int32_t>(present);
    rewriteCount = true;
  }
  const std::uint64_t exactSize = rf->RecordOffset(h.count);

  // Side file.
  SideHeader sh;
  bool rewriteSide = false;
  if (needsSide) {
    rf->sidePath = req.sidePath;
    if (fs.Open(req.sidePath, options, rf->sideFile) != 0) return err::SideReadFailed;
    rf->sideLocks.Attach(rf->sideFile.get(), locking);
    ScopedLock sideHeaderLock;
    if (int e = RetryWhileLocked(fs, [&] { return sideHeaderLock.LockByte(rf->sideLocks, 0); }))
      return e;
    std::uint8_t sraw[kSideHeaderSize];
    if (rf->sideFile->Read(0, sraw, kSideHeaderSize, got) != 0 || got < kSideHeaderSize)
      return err::SideReadFailed;
    if (rf->cipher) rf->cipher->Apply(0, sraw, kSideHeaderSize);
    if (!DecodeSideHeader(sraw, sh) || sh.blockCount <= 0 || sh.freeCount < 0 ||
        sh.freeCount >= sh.blockCount || sh.firstFree < 0 || sh.firstFree >= sh.blockCount)
      return err::SideReadFailed;
    if (sh.version != h.version) return err::SideVersionMismatch;
    std::uint64_t sideSize = 0;
    if (rf->sideFile->Size(sideSize) != 0) return err::SideReadFailed;
    const std::uint64_t blocks = sideSize / kBlockSize;
    if (blocks < static_cast<std::uint64_t>(sh.blockCount)) {
      if (req.readOnly) return err::SideDamaged;
      sh.blockCount = static_cast<std::int32_t>(std::max<std::uint64_t>(blocks, 1));
      rewriteSide = true;
    }
  }

  // Every check has passed: repair.
  if (!req.readOnly) {
    if (rewriteCount) {
      std::uint8_t b[4];
      PutI32(b, h.count);
      if (int e = io.Write(kOffCount, b, 4)) return e;
    }
    if (size != exactSize) {
      if (int e = rf->mainFile->Truncate(exactSize)) return e;
    }
    if (rewriteSide) {
      // Chains into the lost blocks are cut first: a block handed out
      // again at the end of the file must not stay in an old chain too.
      if (int e = rf->CutChainsAt(static_cast<std::uint32_t>(sh.blockCount), sh)) return e;
      std::uint8_t b[kSideHeaderSize];
      EncodeSideHeader(sh, b);
      if (int e = CipheredFile{rf->sideFile.get(), rf->cipher.get()}.Write(0, b, kSideHeaderSize))
        return e;
      if (int e = rf->sideFile->Truncate(std::uint64_t(sh.blockCount) * kBlockSize)) return e;
    }
  }
  if (int e = whole.Release()) return e;
  if (!req.readOnly && locking) Journal::UnlockWriters(*rf->mainFile);
  rf->position = 0;
  rf->recordBuffer.resize(rf->recordLength);

  // From now on every change passes through the journal.
  RecordFile& r = *rf;
  r.journal.Attach(&fs, req.journalPath, r.mainFile.get(), r.sideFile.get(), locking);
  r.mainFile = std::make_unique<JournaledFile>(std::move(r.mainFile), r.journal, Journal::kMain);
  if (r.sideFile)
    r.sideFile = std::make_unique<JournaledFile>(std::move(r.sideFile), r.journal, Journal::kSide);
  out = std::move(rf);
  return 0;
}

void RecordFile::AfterRollback() {
  ForgetRecord();
  idHint.clear();
  ++sideWrites;
  ReadCount(false);
}

int RecordFile::CutChainsAt(std::uint32_t blocks, SideHeader& sh) {
  const CipheredFile side{sideFile.get(), cipher.get()};
  std::vector<bool> seen(blocks, false);
  // Follows a chain from `first`; a link to a lost block is set to 0 in
  // the block that holds it. A chain that breaks otherwise is left as it is.
  auto cut = [&](std::uint32_t first, bool freeList, std::int32_t* kept) -> int {
    std::uint32_t prev = 0;
    std::int32_t n = 0;
    for (std::uint32_t b = first; b != 0;) {
      if (b >= blocks || seen[b]) break;
      seen[b] = true;
      std::uint8_t raw[kBlockHeaderSize];
      if (side.ReadExact(std::uint64_t{b} * kBlockSize, raw, kBlockHeaderSize, err::SideReadFailed))
        return err::SideReadFailed;
      BlockHeader bh = DecodeBlockHeader(raw);
      if (bh.prev != prev || (bh.used == 0) != freeList) break;
      ++n;
      if (bh.next >= blocks) {
        bh.next = 0;
        EncodeBlockHeader(bh, raw);
        if (int e = side.Write(std::uint64_t{b} * kBlockSize, raw, kBlockHeaderSize)) return e;
      }
      prev = b;
      b = bh.next;
    }
    if (kept) *kept = n;
    return 0;
  };

  if (sh.firstFree != 0) {
    if (static_cast<std::uint32_t>(sh.firstFree) >= blocks) {
      sh.firstFree = 0;
      sh.freeCount = 0;
    } else {
      std::int32_t kept = 0;
      if (int e = cut(static_cast<std::uint32_t>(sh.firstFree), true, &kept)) return e;
      if (kept < sh.freeCount) sh.freeCount = kept;
    }
  }
  std::vector<std::uint8_t> buffer;
  return ScanBlocks(0, header.count, buffer, false, [&](std::int64_t first, std::int64_t k) -> int {
    for (std::int64_t i = 0; i < k; ++i) {
      std::uint8_t* record = &buffer[static_cast<std::size_t>(i) * recordLength];
      for (const Field& f : fields) {
        if (!IsChainType(f.type)) continue;
        const std::uint32_t at = GetU32(record + f.offset);
        if (at == 0) continue;
        if (at < blocks) {
          if (int e = cut(at, false, nullptr)) return e;
          continue;
        }
        std::uint8_t none[4] = {};
        if (int e = mainIo().Write(RecordOffset(first + i) + static_cast<std::uint64_t>(f.offset), none, 4))
          return e;
      }
    }
    return 0;
  });
}

RecordFile::~RecordFile() { Close(); }

void RecordFile::Close() {
  journal.Release();
  if (mainFile) mainFile->Close();
  if (sideFile) sideFile->Close();
  closed = true;
  ForgetRecord();
}

int RecordFile::LockCount(ScopedLock& lock, bool wait) {
  if (!wait) return lock.LockByte(mainLocks, kOffCount);
  return RetryWhileLocked(*fs, [&] { return lock.LockByte(mainLocks, kOffCount); });
}

int RecordFile::ReadCount(bool wait) {
  ScopedLock lock;
  if (int e = LockCount(lock, wait)) return wait || !LockedElsewhere(e) ? e : 0;
  std::uint8_t b[8];
  if (int e = mainIo().ReadExact(kOffCount, b, 8, err::CountFailed)) return e;
  header.count = GetI32(b);
  header.nextId = GetI32(b + 4);
  return lock.Release();
}

int RecordFile::WriteCount(std::int32_t count, std::int32_t nextId) {
  ScopedLock lock;
  if (int e = LockCount(lock)) return e;
  std::uint8_t b[8];
  PutI32(b, count);
  PutI32(b + 4, nextId);
  if (int e = mainIo().Write(kOffCount, b, 8)) return WriteFailure(e, err::WriteRecordFailed);
  header.count = count;
  header.nextId = nextId;
  return lock.Release();
}

int RecordFile::ReadRecord(std::int64_t r, std::uint8_t* buffer) {
  ScopedLock lock;
  if (int e = lock.LockByte(mainLocks, RecordOffset(r))) return e;
  if (int e = mainIo().ReadExact(RecordOffset(r), buffer, recordLength, err::ReadRecordFailed))
    return e;
  return lock.Release();
}

int RecordFile::WriteRecord(std::int64_t r, std::size_t from, const std::uint8_t* data,
                            std::size_t n) {
  ScopedLock lock;
  if (int e = lock.LockByte(mainLocks, RecordOffset(r))) return e;
  if (int e = mainIo().Write(RecordOffset(r) + from, data, n))
    return WriteFailure(e, err::WriteRecordFailed);
  // The held copy (the current record, or a scan's record under test) must
  // read back what was just written.
  if (cachedPosition == r && cachedRecord) std::memmove(cachedRecord + from, data, n);
  return lock.Release();
}

int RecordFile::FillWindow(std::int64_t r, std::int64_t count) {
  // A run that follows the last one grows; any other starts small again.
  const bool onward = window.count > 0 && r == window.first + window.count &&
                      window.writeSerial == writeSerial;
  const std::int64_t size = onward ? std::min(window.count * 2, kLargestWindow) : 1;
  window.count = 0;
  std::int64_t k = std::min(size, count - r);
  if (k <= 0) return err::SeekFailed;
  window.records.resize(static_cast<std::size_t>(k) * recordLength);
  for (;;) {
    const std::uint64_t span = static_cast<std::uint64_t>(k - 1) * recordLength + 1;
    if (int e = mainLocks.LockBriefly(RecordOffset(r), span)) {
      // Another process holds one of the others: this record alone.
      if (k > 1 && (e == err::LockViolation || e == err::SharingViolation)) {
        k = 1;
        continue;
      }
      return e;
    }
    const int e = ReadRecords(r, k, window.records.data());
    const int u = mainLocks.UnlockBriefly(RecordOffset(r), span);
    if (e || u) return e ? e : u;
    break;
  }
  window.first = r;
  window.count = k;
  window.fileCount = count;
  window.writeSerial = writeSerial;
  window.readAtMs = fs->MonotonicMs();

  // Their memo and byte-set values, read together; when that fails (a lock
  // of another process, a damaged chain) each is read alone when asked for.
  window.chainFields.clear();
  for (std::size_t f = 0; f < fields.size(); ++f)
    if (IsChainType(fields[f].type)) window.chainFields.push_back(static_cast<int>(f));
  window.values.assign(static_cast<std::size_t>(k) * window.chainFields.size(), {});
  if (window.chainFields.empty() || k == 1) return 0;
  struct Cursor {
    std::size_t slot;
    std::uint32_t at, prev;
  };
  std::vector<Cursor> cursors;
  std::uint32_t lo = UINT32_MAX, hi = 0;
  for (std::int64_t i = 0; i < k; ++i) {
    const std::uint8_t* record = &window.records[static_cast<std::size_t>(i) * recordLength];
    for (std::size_t j = 0; j < window.chainFields.size(); ++j) {
      const std::uint32_t first = GetU32(record + fields[static_cast<std::size_t>(window.chainFields[j])].offset);
      const std::size_t at = static_cast<std::size_t>(i) * window.chainFields.size() + j;
      window.values[at].first = first;
      if (first == 0) {
        window.values[at].read = true;
        continue;
      }
      cursors.push_back({at, first, 0});
      lo = std::min(lo, first);
      hi = std::max(hi, first);
    }
  }
  if (cursors.empty()) return 0;

  // The blocks from the lowest first block on, read (and locked) as runs
  // that grow while chains lead on past them; a chain that turns back
  // before them, or runs on too far, is left to be read alone.
  constexpr std::uint64_t kMostBlocks = 4096;
  const std::uint64_t base = std::uint64_t{lo} * kBlockSize;
  std::vector<std::uint8_t>& blocks = sideRun;
  blocks.clear();
  std::uint64_t have = 0;  // blocks read from lo on
  std::uint64_t want = std::uint64_t{hi} - lo + 1 + 64;
  while (!cursors.empty() && have < kMostBlocks) {
    const std::uint64_t n = std::min(kMostBlocks, std::max(want, have + 64)) - have;
    blocks.resize(static_cast<std::size_t>((have + n) * kBlockSize));
    const std::uint64_t offset = base + have * kBlockSize;
    const std::uint64_t span = (n - 1) * kBlockSize + 1;  // the first bytes of the n blocks
    if (sideLocks.LockBriefly(offset, span) != 0) return 0;
    std::size_t got = 0;
    const int e = CipheredFile{sideFile.get(), cipher.get()}.Read(offset, &blocks[have * kBlockSize],
                                                                 static_cast<std::size_t>(n * kBlockSize), got);
    const int u = sideLocks.UnlockBriefly(offset, span);
    if (e || u) return 0;
    const std::uint64_t read = got / kBlockSize;
    have += read;
    blocks.resize(static_cast<std::size_t>(have * kBlockSize));
    want = have;
    std::size_t kept = 0;
    for (Cursor c : cursors) {
      auto& value = window.values[c.slot];
      bool pending = false;
      while (c.at != 0) {
        if (c.at < lo) break;
        if (c.at - lo >= have) {
          pending = read == n;  // not past the end of the file
          if (pending) want = std::max(want, std::uint64_t{c.at} - lo + 1);
          break;
        }
        const std::uint8_t* p = &blocks[static_cast<std::size_t>(c.at - lo) * kBlockSize];
        const BlockHeader h = DecodeBlockHeader(p);
        if (h.used == 0 || h.used > kBlockData || h.prev != c.prev) break;
        value.data.insert(value.data.end(), p + kBlockHeaderSize, p + kBlockHeaderSize + h.used);
        c.prev = c.at;
        c.at = h.next;
      }
      if (c.at == 0) value.read = true;
      else if (pending) cursors[kept++] = c;
      else value.data.clear();
    }
    cursors.resize(kept);
  }
  for (const Cursor& c : cursors) window.values[c.slot].data.clear();
  return 0;
}

int RecordFile::ReadRecordsLocked(std::int64_t first, std::int64_t count, std::uint8_t* buffer) {
  const auto n = static_cast<std::uint64_t>(count);
  if (int e = mainLocks.LockSpan(RecordOffset(first), n, recordLength)) return e;
  int e = ReadRecords(first, count, buffer);
  const int u = mainLocks.UnlockSpan(RecordOffset(first), n, recordLength);
  return e ? e : u;
}

int RecordFile::ReadRecords(std::int64_t first, std::int64_t count, std::uint8_t* buffer) {
  return mainIo().ReadExact(RecordOffset(first), buffer,
                            static_cast<std::size_t>(count) * recordLength, err::ReadRecordFailed);
}

int RecordFile::WriteRecords(std::int64_t first, std::int64_t count, const std::uint8_t* buffer) {
  const int e = mainIo().Write(RecordOffset(first), buffer, static_cast<std::size_t>(count) * recordLength);
  return e ? WriteFailure(e, err::WriteRecordFailed) : 0;
}

int RecordFile::TruncateRecords(std::int64_t count) {
  const int e = mainFile->Truncate(RecordOffset(count));
  return e ? WriteFailure(e, err::WriteRecordFailed) : 0;
}

int RecordFile::ExtendIdHint(std::int64_t count) {
  std::vector<std::uint8_t> buffer;
  return ScanBlocks(static_cast<std::int64_t>(idHint.size()), count, buffer, false,
                    [&](std::int64_t, std::int64_t k) {
                      for (std::int64_t i = 0; i < k; ++i) {
                        const std::int32_t id = GetI32(&buffer[static_cast<std::size_t>(i) * recordLength]);
                        idHint.push_back(id == INT32_MIN ? INT32_MAX : std::abs(id));
                      }
                      return 0;
                    });
}

int RecordFile::LockAll(ScopedLock& mainLock, ScopedLock& sideLock) {
  if (int e = mainLock.LockWhole(mainLocks)) return e;
  if (sideFile) {
    if (int e = sideLock.LockWhole(sideLocks)) {
      mainLock.Release();
      return e;
    }
  }
  return 0;
}

int RecordFile::SetPassword(const std::string& gbkPassword) {
  // Every byte rewritten is first kept in the journal: cut off at any
  // point, the files go back to the old password whole.
  Transaction txn(*this);
  if (int e = txn.Begin(true)) return LockedElsewhere(e) ? e : err::PasswordChangeFailed;
  ScopedLock mainLock, sideLock;
  if (int e = LockAll(mainLock, sideLock)) return e;
  std::unique_ptr<PageCipher> next =
      gbkPassword.empty() ? nullptr : std::make_unique<PageCipher>(gbkPassword);
  PageCipher* const from = cipher.get();
  PageCipher* const to = next.get();

  std::vector<std::uint8_t> buffer(kRecipherPortion);
  // The old bytes go to the journal some megabytes at a time before they
  // are rewritten: a sync of the journal per stretch, not per portion.
  constexpr std::uint64_t kStretch = 800 * kRecipherPortion;
  auto recipher = [&](File* file, Journal::FileIndex index, std::uint64_t end) -> int {
    for (std::uint64_t offset = kPlainPrefix; offset < end; offset += kRecipherPortion) {
      if ((offset - kPlainPrefix) % kStretch == 0) {
        if (int e = journal.Keep(index, offset, std::min(kStretch, end - offset))) return e;
      }
      const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(kRecipherPortion, end - offset));
      std::size_t got = 0;
      if (int e = file->Read(offset, buffer.data(), n, got)) return e;
      if (got != n) return err::EndOfFile;
      if (from) from->Apply(offset, buffer.data(), n);
      if (to) to->Apply(offset, buffer.data(), n);
      if (int e = file->Write(offset, buffer.data(), n)) return e;
    }
    return 0;
  };

  Header newHeader = header;
  newHeader.ciphered = to != nullptr;
  newHeader.digest.fill(0);
  if (to) std::memcpy(newHeader.digest.data(), to->digest().data(), kDigestChars);

  // The magic, rewritten last, is saved with the first stretch.
  int failure = journal.Keep(Journal::kMain, 0, kPlainPrefix);
  for (const auto index : {Journal::kMain, Journal::kSide}) {
    if (failure != 0) break;
    File* file = index == Journal::kMain ? mainFile.get() : sideFile.get();
    if (!file) continue;
    std::uint64_t size = 0;
    if ((failure = file->Size(size)) != 0) break;
    if ((failure = recipher(file, index, size)) != 0) break;
  }

  if (failure == 0) {
    // The magic and the digest area under the new password.
    std::uint8_t raw[kHeaderSize];
    EncodeHeader(newHeader, raw);
    failure = CipheredFile{mainFile.get(), to}.Write(kOffDigest, raw + kOffDigest, kDigestAreaSize);
    if (failure == 0) failure = mainFile->Write(0, raw, 4);
  }
  if (failure == 0) failure = sideLock.Release();
  if (failure == 0) failure = mainLock.Release();
  if (failure == 0) failure = txn.Commit();
  if (failure != 0) return err::PasswordChangeFailed;
  cipher = std::move(next);
  header.ciphered = newHeader.ciphered;
  header.digest = newHeader.digest;
  ForgetRecord();
  return 0;
}

}  // namespace recfile
