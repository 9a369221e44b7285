// Memo and byte-set values in the side file: chains of 512-byte blocks and
// the free list.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "recfile/file_system.h"
#include "recfile/locks.h"
#include "recfile/page_cipher.h"

namespace recfile {

// A file seen through its database's page cipher (plain without one).
struct CipheredFile {
  File* file = nullptr;
  PageCipher* cipher = nullptr;

  int read(std::uint64_t offset, std::uint8_t* buffer, std::size_t n, std::size_t& got) const;
  // A short read gives `shortCode`.
  int readExact(std::uint64_t offset, std::uint8_t* buffer, std::size_t n, int shortCode) const;
  int write(std::uint64_t offset, const std::uint8_t* data, std::size_t n) const;
};

// Failures are err::SideAccessFailed (damaged chains, short reads, bad
// header), a lock error, or a file error code.
class SideFile {
 public:
  SideFile(CipheredFile io, LockTable& locks) : io_(io), locks_(locks) {}

  int readValue(std::uint32_t first, std::vector<std::uint8_t>& out);
  // Walks a chain without keeping its data: catches loops and blocks
  // outside the file before anything is changed.
  int checkChain(std::uint32_t first);
  // Stores `data` reusing the chain at `oldFirst` (0 = none), then free
  // blocks, then new ones; releases what is left of the old chain and cuts
  // free blocks off the end of the file. Every block is planned before the
  // first byte is written, so a damaged chain changes nothing.
  int writeValue(std::uint32_t oldFirst, const std::uint8_t* data, std::size_t n,
                 std::uint32_t& newFirst);

 private:
  int walk(std::uint32_t first, std::vector<std::uint8_t>* out);
  int readBlock(std::uint32_t block, std::uint8_t* buffer);

  CipheredFile io_;
  LockTable& locks_;
};

}  // namespace recfile
