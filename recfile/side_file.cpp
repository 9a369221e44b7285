#include "recfile/side_file.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstring>
#include <map>
#include <unordered_set>

#include "recfile/format.h"

namespace recfile {

using namespace format;

int CipheredFile::read(std::uint64_t offset, std::uint8_t* buffer, std::size_t n,
                       std::size_t& got) const {
  if (int e = file->read(offset, buffer, n, got)) return e;
  if (cipher) cipher->apply(offset, buffer, got);
  return 0;
}

int CipheredFile::readExact(std::uint64_t offset, std::uint8_t* buffer, std::size_t n,
                            int shortCode) const {
  std::size_t got = 0;
  if (int e = read(offset, buffer, n, got)) return e;
  return got == n ? 0 : shortCode;
}

int CipheredFile::write(std::uint64_t offset, const std::uint8_t* data, std::size_t n) const {
  if (!cipher) return file->write(offset, data, n);
  std::vector<std::uint8_t> copy(data, data + n);
  cipher->apply(offset, copy.data(), n);
  return file->write(offset, copy.data(), n);
}

namespace {

constexpr int kDamaged = err::SideAccessFailed;

bool isLockError(int e) { return e == err::LockViolation || e == err::SharingViolation; }

struct Block {
  std::array<std::uint8_t, kBlockSize> bytes{};
  bool dirty = false;
  BlockHeader header() const { return decodeBlockHeader(bytes.data()); }
  void setHeader(const BlockHeader& h) {
    encodeBlockHeader(h, bytes.data());
    dirty = true;
  }
};

}  // namespace

int SideFile::readBlock(std::uint32_t block, std::uint8_t* buffer) {
  const std::uint64_t offset = std::uint64_t{block} * kBlockSize;
  ScopedLock lock;
  if (int e = lock.lockByte(locks_, offset)) return e;
  if (int e = io_.readExact(offset, buffer, kBlockSize, kDamaged)) return e;
  return lock.release();
}

int SideFile::walk(std::uint32_t first, std::vector<std::uint8_t>* out) {
  std::array<std::uint8_t, kBlockSize> buffer{};
  // Every block must link back to the one before it: a chain that loops
  // or runs into another chain breaks that at the first shared block, and
  // a block past the end of the file cannot be read whole.
  std::uint32_t prev = 0;
  for (std::uint32_t b = first; b != 0;) {
    if (int e = readBlock(b, buffer.data())) return e;
    const BlockHeader h = decodeBlockHeader(buffer.data());
    if (h.used == 0 || h.used > kBlockData || h.prev != prev) return kDamaged;
    if (out) out->insert(out->end(), buffer.begin() + kBlockHeaderSize,
                         buffer.begin() + kBlockHeaderSize + h.used);
    prev = b;
    b = h.next;
  }
  return 0;
}

int SideFile::readValue(std::uint32_t first, std::vector<std::uint8_t>& out) {
  out.clear();
  return walk(first, &out);
}

int SideFile::checkChain(std::uint32_t first) { return walk(first, nullptr); }

int SideFile::writeValue(std::uint32_t oldFirst, const std::uint8_t* data, std::size_t n,
                         std::uint32_t& newFirst) {
  ScopedLock headerLock;
  if (int e = headerLock.lockByte(locks_, 0)) return e;
  std::uint8_t raw[kSideHeaderSize];
  if (int e = io_.readExact(0, raw, kSideHeaderSize, kDamaged)) return e;
  SideHeader h;
  if (!decodeSideHeader(raw, h) || h.blockCount < 1) return kDamaged;

  std::map<std::uint32_t, Block> blocks;
  auto load = [&](std::uint32_t b, Block*& out) -> int {
    if (b == 0 || b >= static_cast<std::uint32_t>(h.blockCount)) return kDamaged;
    if (auto it = blocks.find(b); it != blocks.end()) {
      out = &it->second;
      return 0;
    }
    Block block;
    if (int e = readBlock(b, block.bytes.data())) return e;
    out = &blocks.emplace(b, block).first->second;
    return 0;
  };

  // The old chain.
  std::vector<std::uint32_t> old;
  std::unordered_set<std::uint32_t> seen;
  for (std::uint32_t b = oldFirst; b != 0;) {
    if (!seen.insert(b).second) return kDamaged;
    Block* block;
    if (int e = load(b, block)) return e;
    const BlockHeader bh = block->header();
    if (bh.used == 0 || bh.used > kBlockData || bh.prev != (old.empty() ? 0 : old.back()))
      return kDamaged;
    old.push_back(b);
    b = bh.next;
  }

  // Blocks for the new value: the old chain, then free blocks, then new ones.
  const std::size_t pieces = (n + kBlockData - 1) / kBlockData;
  std::vector<std::uint32_t> chain(old.begin(), old.begin() + std::min(pieces, old.size()));
  while (chain.size() < pieces && h.firstFree != 0) {
    const auto f = static_cast<std::uint32_t>(h.firstFree);
    Block* block;
    if (seen.count(f)) return kDamaged;
    if (int e = load(f, block)) return e;
    const BlockHeader fh = block->header();
    if (fh.used != 0) return kDamaged;
    seen.insert(f);
    h.firstFree = static_cast<std::int32_t>(fh.next);
    if (fh.next != 0) {
      Block* next;
      if (int e = load(fh.next, next)) return e;
      BlockHeader nh = next->header();
      nh.prev = 0;
      next->setHeader(nh);
    }
    h.freeCount = std::max(0, h.freeCount - 1);
    chain.push_back(f);
  }
  if (pieces - chain.size() > static_cast<std::size_t>(INT_MAX - h.blockCount)) return err::DiskFull;
  while (chain.size() < pieces) {
    const auto b = static_cast<std::uint32_t>(h.blockCount++);
    blocks[b] = Block{};
    chain.push_back(b);
  }
  for (std::size_t i = 0; i < chain.size(); ++i) {
    Block& block = blocks[chain[i]];
    block.bytes.fill(0);
    const std::size_t len = std::min(kBlockData, n - i * kBlockData);
    block.setHeader({i > 0 ? chain[i - 1] : 0, i + 1 < chain.size() ? chain[i + 1] : 0,
                     static_cast<std::uint32_t>(len)});
    std::memcpy(block.bytes.data() + kBlockHeaderSize, data + i * kBlockData, len);
  }

  // What is left of the old chain goes to the head of the free list.
  bool trimmed = false;
  if (old.size() > pieces) {
    const std::vector<std::uint32_t> rest(old.begin() + static_cast<std::ptrdiff_t>(pieces), old.end());
    const auto oldHead = static_cast<std::uint32_t>(h.firstFree);
    if (oldHead != 0) {
      Block* head;
      if (seen.count(oldHead)) return kDamaged;
      if (int e = load(oldHead, head)) return e;
      BlockHeader hh = head->header();
      if (hh.used != 0) return kDamaged;
      hh.prev = rest.back();
      head->setHeader(hh);
    }
    for (std::size_t j = 0; j < rest.size(); ++j) {
      Block& block = blocks[rest[j]];
      block.bytes.fill(0);
      block.setHeader({j > 0 ? rest[j - 1] : 0, j + 1 < rest.size() ? rest[j + 1] : oldHead, 0});
    }
    h.firstFree = static_cast<std::int32_t>(rest.front());
    h.freeCount += static_cast<std::int32_t>(rest.size());

    // Free blocks at the end of the file are given back. A block that does
    // not sit in the list where its links say ends the trimming.
    const auto last = static_cast<std::uint32_t>(h.blockCount - 1);
    if (std::find(rest.begin(), rest.end(), last) != rest.end()) {
      while (h.blockCount > 1) {
        const auto t = static_cast<std::uint32_t>(h.blockCount - 1);
        Block* tail;
        if (int e = load(t, tail)) return e;
        const BlockHeader th = tail->header();
        if (th.used != 0) break;
        Block* prev = nullptr;
        Block* next = nullptr;
        if (th.prev == 0 && h.firstFree != static_cast<std::int32_t>(t)) break;
        if (th.prev != 0 && load(th.prev, prev) != 0) break;
        if (th.next != 0 && load(th.next, next) != 0) break;
        if (prev && prev->header().next != t) break;
        if (next && next->header().prev != t) break;
        if (prev) {
          BlockHeader ph = prev->header();
          ph.next = th.next;
          prev->setHeader(ph);
        } else {
          h.firstFree = static_cast<std::int32_t>(th.next);
        }
        if (next) {
          BlockHeader nh = next->header();
          nh.prev = th.prev;
          next->setHeader(nh);
        }
        blocks.erase(t);
        --h.blockCount;
        h.freeCount = std::max(0, h.freeCount - 1);
        trimmed = true;
      }
    }
  }

  // Write the changed blocks, consecutive ones together.
  std::vector<std::uint8_t> run;
  std::uint32_t runStart = 0;
  auto flush = [&]() -> int {
    if (run.empty()) return 0;
    const std::uint32_t count = static_cast<std::uint32_t>(run.size() / kBlockSize);
    std::uint32_t locked = 0;
    int e = 0;
    for (; locked < count; ++locked)
      if ((e = locks_.lockByte(std::uint64_t{runStart + locked} * kBlockSize)) != 0) break;
    if (e == 0) e = io_.write(std::uint64_t{runStart} * kBlockSize, run.data(), run.size());
    for (std::uint32_t i = 0; i < locked; ++i) {
      const int u = locks_.unlockByte(std::uint64_t{runStart + i} * kBlockSize);
      if (e == 0) e = u;
    }
    run.clear();
    return e;
  };
  for (const auto& [b, block] : blocks) {
    if (!block.dirty || b >= static_cast<std::uint32_t>(h.blockCount)) continue;
    if (!run.empty() && b != runStart + run.size() / kBlockSize) {
      if (int e = flush()) return isLockError(e) ? e : kDamaged;
    }
    if (run.empty()) runStart = b;
    run.insert(run.end(), block.bytes.begin(), block.bytes.end());
  }
  if (int e = flush()) return isLockError(e) ? e : kDamaged;
  if (trimmed) {
    if (io_.file->truncate(std::uint64_t(h.blockCount) * kBlockSize) != 0) return kDamaged;
  }
  encodeSideHeader(h, raw);
  if (io_.write(0, raw, kSideHeaderSize) != 0) return kDamaged;
  newFirst = chain.empty() ? 0 : chain.front();
  return headerLock.release();
}

}  // namespace recfile
