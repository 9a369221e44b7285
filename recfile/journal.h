// Before-images of what one operation changes, kept in a file beside the
// database until the operation is complete, so that an operation cut off at
// any write (a killed process, a full disk) can be undone by the next one.
//
// Every changing operation holds the writers' lock of the database (one
// byte far past the data) from its first write to its end, so only one
// operation at a time, in any process, can leave a journal behind. A
// journal found while the writers' lock is free belongs to an operation
// whose process died: it is rolled back before anything else is written.
// A completed operation leaves no journal, so its files are exactly those
// written without one.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "recfile/file_system.h"

namespace recfile {

class Journal {
 public:
  enum FileIndex { kMain = 0, kSide = 1 };

  // `main` and `side` are the raw files (side may be null); `locking` is
  // false when the share mode keeps other processes out anyway.
  void Attach(FileSystem* fs, std::string path, File* main, File* side, bool locking);
  // At the database's close: the journal file kept for the next operation
  // goes (it holds nothing to put back).
  void Release();

  // Starts an operation. With `images`, every change made through the
  // journaled files until commit is first saved in the journal. Nested
  // operations (a condition writing inside a scan) join the outer one.
  int Begin(bool images);
  // Ends the operation: the files it changed are made durable, then the
  // journal is emptied, which is its commit point.
  int Commit();
  // Undoes the operation's changes and ends it.
  int Rollback();
  bool active() const { return depth_ > 0; }
  bool capturing() const { return depth_ > 0 && images_; }

  // Saves the old bytes of a range about to be changed without making the
  // journal durable yet: many ranges saved first cost one sync at the
  // first write that follows.
  int Keep(FileIndex file, std::uint64_t offset, std::uint64_t n);
  // Called by JournaledFile before a change reaches the file: what it
  // overwrites is saved and the journal made durable first.
  int BeforeWrite(FileIndex file, std::uint64_t offset, std::uint64_t n);
  int BeforeTruncate(FileIndex file, std::uint64_t length);

  // Rolls back a journal an operation left when its process died. The
  // caller holds the whole main file; the side file is opened here when
  // the journal names one.
  static int RecoverAt(FileSystem& fs, const std::string& journalPath, File& main,
                       const std::string& sidePath);
  // The writers' lock, waited for up to 2 s while another process holds it.
  static int LockWriters(FileSystem& fs, File& main);
  static void UnlockWriters(File& main);

 private:
  int EnsureHeader();
  int Save(FileIndex file, std::uint64_t from, std::uint64_t to);
  int MakeDurable();
  int SyncWritten();
  int Invalidate();
  void Reset();

  FileSystem* fs_ = nullptr;
  std::string path_;
  File* files_[2] = {nullptr, nullptr};
  bool locking_ = false;
  int depth_ = 0;
  bool images_ = false;
  std::uint64_t sizes_[2] = {0, 0};
  std::map<std::uint64_t, std::uint64_t> saved_[2];  // start -> end of saved ranges
  bool written_[2] = {false, false};  // changed by the operation: synced at its end
  // The journal file stays open between operations (creating and removing
  // a file for each would cost more than the operation); each operation
  // writes its header with a new salt, so entries left from an earlier one
  // no longer pass their checksums.
  std::unique_ptr<File> journal_;
  bool headerWritten_ = false;   // this operation's header is in the file
  bool directoryPending_ = false;  // created, its directory not yet synced
  std::uint32_t salt_ = 0;
  std::uint64_t journalEnd_ = 0;
  std::uint64_t syncedEnd_ = 0;  // journal bytes known durable
};

// A database file whose changes pass through its journal first.
class JournaledFile final : public File {
 public:
  JournaledFile(std::unique_ptr<File> inner, Journal& journal, Journal::FileIndex index)
      : inner_(std::move(inner)), journal_(journal), index_(index) {}
  File* inner() { return inner_.get(); }

  int Read(std::uint64_t offset, void* buffer, std::size_t n, std::size_t& got) override {
    return inner_->Read(offset, buffer, n, got);
  }
  int Write(std::uint64_t offset, const void* data, std::size_t n) override {
    if (int e = journal_.BeforeWrite(index_, offset, n)) return e;
    return inner_->Write(offset, data, n);
  }
  int Size(std::uint64_t& out) override { return inner_->Size(out); }
  int Truncate(std::uint64_t length) override {
    if (int e = journal_.BeforeTruncate(index_, length)) return e;
    return inner_->Truncate(length);
  }
  int Sync() override { return inner_->Sync(); }
  void StartWriteBack() override { inner_->StartWriteBack(); }
  int Lock(std::uint64_t offset, std::uint64_t length) override { return inner_->Lock(offset, length); }
  int Unlock(std::uint64_t offset, std::uint64_t length) override {
    return inner_->Unlock(offset, length);
  }
  FileIdentity Identity() const override { return inner_->Identity(); }
  int Close() override { return inner_->Close(); }

 private:
  std::unique_ptr<File> inner_;
  Journal& journal_;
  Journal::FileIndex index_;
};

}  // namespace recfile
