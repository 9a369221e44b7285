// One open database: its files, header copy, fields, current record and
// lock bookkeeping, with the record-level reads and writes the engine's
// operations are built from.
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "recfile/file_system.h"
#include "recfile/format.h"
#include "recfile/journal.h"
#include "recfile/locks.h"
#include "recfile/page_cipher.h"
#include "recfile/record_file_engine.h"
#include "recfile/side_file.h"

namespace recfile {

struct Field {
  std::string name;  // UTF-8
  FieldType type = FieldType::Text;
  int offset = 0;     // inside the record
  int width = 0;      // bytes inside the record
  int textWidth = 0;  // the descriptor's width (text fields), else 0
};

struct OpenRequest {
  std::string path;         // main file, resolved
  std::string sidePath;     // side file, resolved (used when needed)
  std::string journalPath;  // where an interrupted operation's journal lies
  std::string gbkPassword;  // empty = none
  bool readOnly = false;
  ShareMode share = ShareMode::None;
};

class RecordFile {
 public:
  // Writes a new, empty database. `fields` are checked already; names are
  // GB18030. Returns 0, err::CreateFailed or err::SideCreateFailed.
  static int Create(FileSystem& fs, const std::string& path, const std::string& sidePath,
                    const std::vector<format::Descriptor>& fields, std::uint32_t recordLength);
  // Opens, checks and (read-write) repairs a database.
  static int Open(FileSystem& fs, const OpenRequest& request, std::unique_ptr<RecordFile>& out);

  ~RecordFile();
  void Close();

  // ---- identity
  std::string path;
  std::string sidePath;
  std::string name;
  std::string alias;
  bool readOnly = false;
  ShareMode share = ShareMode::None;
  bool closed = false;

  // ---- layout
  format::Header header;  // count and next id as last read or written
  std::vector<Field> fields;
  std::uint64_t headerSize = 0;
  std::uint32_t recordLength = 0;
  bool hasSide() const { return sideFile != nullptr; }
  bool passworded() const { return cipher != nullptr; }
  std::uint64_t RecordOffset(std::int64_t r) const {
    return headerSize + static_cast<std::uint64_t>(r) * recordLength;
  }
  // Records per block of a bulk scan.
  std::int64_t bulkRecords() const {
    return std::max<std::int64_t>(1, static_cast<std::int64_t>(format::kBulkBytes / recordLength));
  }

  // ---- current record
  std::int64_t position = 0;  // -1 before the first, count after the last
  // The bytes of the record at `cachedPosition` (the current record as last
  // read, or the record under test of a bulk scan).
  std::uint8_t* cachedRecord = nullptr;
  std::int64_t cachedPosition = -1;
  std::vector<std::uint8_t> recordBuffer;
  void HoldRecord(std::uint8_t* bytes, std::int64_t r) {
    cachedRecord = bytes;
    cachedPosition = r;
    ++recordSerial;
  }
  void ForgetRecord() { HoldRecord(nullptr, -1); }

  // Memo and byte-set values read together with another field of the held
  // record; a later ReadField of theirs takes them instead of the file.
  // They count only for the same holding of the record and while nothing
  // was written to the side file.
  struct ReadAhead {
    int field = 0;
    std::uint32_t first = 0;
    std::uint64_t recordSerial = 0;
    std::uint64_t sideWrites = 0;
    std::vector<std::uint8_t> data;
  };
  std::vector<ReadAhead> readAhead;
  std::uint64_t recordSerial = 0;
  std::uint64_t sideWrites = 0;

  // Records read ahead by a run of forward reads: one locked read of the
  // records and one of their memo and byte-set chains serve the records
  // that follow, so a scan costs a few file calls per run rather than
  // several per record. A run grows while the reads go forward and serves
  // only briefly (what another process writes shows at most that much
  // later) and never after a write of this process.
  struct RecordWindow {
    std::int64_t first = 0;
    std::int64_t count = 0;  // 0 = empty
    std::int64_t fileCount = 0;  // the record count read with the run
    std::uint64_t readAtMs = 0;
    std::uint64_t writeSerial = 0;
    std::vector<std::uint8_t> records;
    // Values of the chain fields, record by record in field order; `first`
    // tells whether a record still names the chain read for it.
    struct Value {
      std::uint32_t first = 0;
      bool read = false;
      std::vector<std::uint8_t> data;
    };
    std::vector<Value> values;
    std::vector<int> chainFields;  // field indexes
  };
  RecordWindow window;
  std::vector<std::uint8_t> sideRun;  // the blocks read for the window
  std::uint64_t writeSerial = 0;  // raised by every changing operation of this process
  static constexpr std::uint64_t kWindowMs = 50;
  static constexpr std::int64_t kLargestWindow = 256;
  // Records a .. b (either order) are all in a run still serving.
  bool WindowHolds(std::int64_t a, std::int64_t b) const {
    const std::int64_t lo = std::min(a, b), hi = std::max(a, b);
    return window.count > 0 && lo >= window.first && hi < window.first + window.count &&
           window.writeSerial == writeSerial && fs->MonotonicMs() - window.readAtMs <= kWindowMs;
  }
  bool WindowHolds(std::int64_t r) const { return WindowHolds(r, r); }
  // Reads the run that starts at record r (within `count` records).
  int FillWindow(std::int64_t r, std::int64_t count);

  // ---- header count: locked reads and writes of N and the next id
  // Refreshes header.count and header.nextId. Without `wait`, a count held
  // by another process (in the middle of an append) leaves the copy as it is.
  int ReadCount(bool wait = true);
  int WriteCount(std::int32_t count, std::int32_t nextId);
  // Locks the count byte, waiting while another process holds it.
  int LockCount(ScopedLock& lock, bool wait = true);

  // ---- records
  int ReadRecord(std::int64_t r, std::uint8_t* buffer);  // under the record's lock
  int WriteRecord(std::int64_t r, std::size_t from, const std::uint8_t* data, std::size_t n);
  // A block of records, each under its own lock while the block is read.
  int ReadRecordsLocked(std::int64_t first, std::int64_t count, std::uint8_t* buffer);
  // Blocks of records for bulk operations (the caller holds the whole file).
  int ReadRecords(std::int64_t first, std::int64_t count, std::uint8_t* buffer);
  int WriteRecords(std::int64_t first, std::int64_t count, const std::uint8_t* buffer);
  int TruncateRecords(std::int64_t count);
  // Reads records from .. count - 1 a bulk block at a time into `buffer`
  // (each block under its records' locks when `locked`) and hands each
  // block to visit(first, k). A nonzero result of visit ends the scan and
  // is returned.
  template <class Visit>
  int ScanBlocks(std::int64_t from, std::int64_t count, std::vector<std::uint8_t>& buffer,
                 bool locked, Visit&& visit) {
    const std::int64_t block = bulkRecords();
    buffer.resize(static_cast<std::size_t>(block) * recordLength);
    for (std::int64_t first = from; first < count; first += block) {
      const std::int64_t k = std::min(block, count - first);
      if (int e = locked ? ReadRecordsLocked(first, k, buffer.data()) : ReadRecords(first, k, buffer.data()))
        return e;
      if (int r = visit(first, k)) return r;
    }
    return 0;
  }

  // ---- ids
  // Absolute ids of the records in file order: a hint that GoToId checks
  // against the file before relying on it.
  std::vector<std::int32_t> idHint;
  // Reads the ids of records idHint.size() .. count - 1 into the hint.
  int ExtendIdHint(std::int64_t count);

  // ---- side file
  SideFile side() {
    return SideFile({sideFile.get(), cipher.get()}, sideLocks, &sideWrites, &sideReadCache, &journal);
  }
  BulkReadCache sideReadCache;

  // ---- locks of whole files (both) for bulk operations
  int LockAll(ScopedLock& mainLock, ScopedLock& sideLock);

  // ---- repair
  // Cuts every chain (and the free list) where it leads to a block at or
  // past `blocks`; the free count follows the free blocks still listed.
  int CutChainsAt(std::uint32_t blocks, format::SideHeader& sh);

  // ---- password
  // Re-enciphers both files; on failure puts back what was done and
  // returns the failure.
  int SetPassword(const std::string& gbkPassword);

  // ---- the journal every changing operation goes through (Transaction)
  Journal journal;
  // Drops what was held in memory after the files were put back.
  void AfterRollback();

  FileSystem* fs = nullptr;
  std::unique_ptr<File> mainFile;
  std::unique_ptr<File> sideFile;
  std::unique_ptr<PageCipher> cipher;
  LockTable mainLocks;
  LockTable sideLocks;

  CipheredFile mainIo() const { return {mainFile.get(), cipher.get()}; }
};

// One changing operation on a database: begin, the writes, commit. Left
// without commit (an early failure return), everything it wrote is put
// back. `images` = false for operations of a single write in place (and
// writes past the end), which need no journal but still wait their turn
// and roll back a journal left by a dead process.
class Transaction {
 public:
  explicit Transaction(RecordFile& rf) : rf_(rf) {}
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;
  ~Transaction() {
    if (open_) Abort();
  }
  int Begin(bool images) {
    ++rf_.writeSerial;
    if (int e = rf_.journal.Begin(images)) return e;
    open_ = true;
    return 0;
  }
  int Commit() {
    open_ = false;
    ++rf_.writeSerial;
    const int e = rf_.journal.Commit();
    if (e) rf_.AfterRollback();
    return e;
  }
  void Abort() {
    open_ = false;
    if (rf_.journal.Rollback() == 0 || !rf_.closed) rf_.AfterRollback();
  }

 private:
  RecordFile& rf_;
  bool open_ = false;
};

// A write failure as the engine reports it: the file's own code, or
// `fallback` when the cause is unknown.
inline int WriteFailure(int e, int fallback) { return e == err::Unknown ? fallback : e; }

}  // namespace recfile
