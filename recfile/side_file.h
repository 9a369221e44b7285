// Memo and byte-set values in the side file: chains of 512-byte blocks and
// the free list.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "recfile/file_system.h"
#include "recfile/journal.h"
#include "recfile/locks.h"
#include "recfile/page_cipher.h"

namespace recfile {

// A file seen through its database's page cipher (plain without one).
struct CipheredFile {
  File* file = nullptr;
  PageCipher* cipher = nullptr;

  int Read(std::uint64_t offset, std::uint8_t* buffer, std::size_t n, std::size_t& got) const;
  // A short read gives `shortCode`.
  int ReadExact(std::uint64_t offset, std::uint8_t* buffer, std::size_t n, int shortCode) const;
  int Write(std::uint64_t offset, const std::uint8_t* data, std::size_t n) const;
};

// One value to read by readChains.
struct ChainRead {
  std::uint32_t first = 0;  // 0 = empty
  // A wanted chain is read whole; another is taken only as far as the
  // blocks read for the wanted ones reach, and left undone otherwise.
  bool wanted = true;
  std::vector<std::uint8_t> data;
  bool done = false;
};

// One value to write by writeValues.
struct ChainWrite {
  std::uint32_t oldFirst = 0;  // the chain to reuse, 0 = none
  const std::uint8_t* data = nullptr;
  std::size_t size = 0;
  std::uint32_t newFirst = 0;  // out
};

// Blocks read ahead during one holding of the whole side file, while
// nothing is written to it: nobody else can change them meanwhile.
struct BulkReadCache {
  std::uint64_t wholeSerial = 0;
  std::uint64_t writes = 0;
  std::uint32_t first = 0;
  std::uint32_t count = 0;
  std::vector<std::uint8_t> bytes;
};

// Failures are err::SideAccessFailed (damaged chains, short reads, bad
// header), a lock error, or a file error code.
class SideFile {
 public:
  // `writes`, when given, is raised by every write.
  // `journal`, when given, gets the old bytes of every block a write
  // changes before the first of them is written.
  SideFile(CipheredFile io, LockTable& locks, std::uint64_t* writes = nullptr,
           BulkReadCache* cache = nullptr, Journal* journal = nullptr)
      : io_(io), locks_(locks), writes_(writes), cache_(cache), journal_(journal) {}

  int ReadValue(std::uint32_t first, std::vector<std::uint8_t>& out);
  // Reads several chains together: blocks that follow each other are
  // locked and read as one run.
  int ReadChains(std::vector<ChainRead>& chains);
  // Walks a chain without keeping its data: catches loops and blocks
  // outside the file before anything is changed.
  int CheckChain(std::uint32_t first);
  // Stores `data` reusing the chain at `oldFirst` (0 = none), then free
  // blocks, then new ones; releases what is left of the old chain and cuts
  // free blocks off the end of the file. Every block is planned before the
  // first byte is written, so a damaged chain changes nothing.
  int WriteValue(std::uint32_t oldFirst, const std::uint8_t* data, std::size_t n,
                 std::uint32_t& newFirst);
  // Several values under one reading and writing of the side header; all
  // or nothing in the same way.
  int WriteValues(std::vector<ChainWrite>& values);

 private:
  int ReadBlock(std::uint32_t block, std::uint8_t* buffer);
  // Reads blocks first .. first + count - 1 (fewer at the end of the file)
  // with the first `locked` of them under their locks; `got` = whole blocks.
  int ReadRun(std::uint32_t first, std::uint32_t count, std::uint32_t locked,
              std::vector<std::uint8_t>& buffer, std::uint32_t& got);
  // Blocks first .. first + count - 1 while the whole file is held, through
  // the cache when there is one: `data` points at them, `got` as above.
  int ReadHeld(std::uint32_t first, std::uint32_t count, std::vector<std::uint8_t>& buffer,
               const std::uint8_t*& data, std::uint32_t& got);

  CipheredFile io_;
  LockTable& locks_;
  std::uint64_t* writes_;
  BulkReadCache* cache_;
  Journal* journal_;
};

}  // namespace recfile
