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

int CipheredFile::Read(std::uint64_t offset, std::uint8_t* buffer, std::size_t n,
                       std::size_t& got) const {
  if (int e = file->Read(offset, buffer, n, got)) return e;
  if (cipher) cipher->Apply(offset, buffer, got);
  return 0;
}

int CipheredFile::ReadExact(std::uint64_t offset, std::uint8_t* buffer, std::size_t n,
                            int shortCode) const {
  std::size_t got = 0;
  if (int e = Read(offset, buffer, n, got)) return e;
  return got == n ? 0 : shortCode;
}

int CipheredFile::Write(std::uint64_t offset, const std::uint8_t* data, std::size_t n) const {
  if (!cipher) return file->Write(offset, data, n);
  std::vector<std::uint8_t> copy(data, data + n);
  cipher->Apply(offset, copy.data(), n);
  return file->Write(offset, copy.data(), n);
}

namespace {

constexpr int kDamaged = err::SideAccessFailed;

bool IsLockError(int e) { return e == err::LockViolation || e == err::SharingViolation; }

struct Block {
  std::array<std::uint8_t, kBlockSize> bytes{};
  bool dirty = false;
  BlockHeader header() const { return DecodeBlockHeader(bytes.data()); }
  void setHeader(const BlockHeader& h) {
    EncodeBlockHeader(h, bytes.data());
    dirty = true;
  }
};

}  // namespace

int SideFile::ReadBlock(std::uint32_t block, std::uint8_t* buffer) {
  const std::uint64_t offset = std::uint64_t{block} * kBlockSize;
  ScopedLock lock;
  if (int e = lock.LockByte(locks_, offset)) return e;
  if (int e = io_.ReadExact(offset, buffer, kBlockSize, kDamaged)) return e;
  return lock.Release();
}

int SideFile::ReadRun(std::uint32_t first, std::uint32_t count, std::uint32_t locked,
                      std::vector<std::uint8_t>& buffer, std::uint32_t& got) {
  const std::uint64_t offset = std::uint64_t{first} * kBlockSize;
  buffer.resize(std::size_t{count} * kBlockSize);
  got = 0;
  if (int e = locks_.LockSpan(offset, locked, kBlockSize)) return e;
  std::size_t n = 0;
  int e = io_.Read(offset, buffer.data(), buffer.size(), n);
  const int u = locks_.UnlockSpan(offset, locked, kBlockSize);
  if (e == 0) e = u;
  got = static_cast<std::uint32_t>(n / kBlockSize);
  return e;
}

namespace {

constexpr std::uint32_t kFirstWindow = 8;    // blocks read at once to begin with
constexpr std::uint32_t kLargestWindow = 512;
constexpr std::uint32_t kCachedBlocks = 256;

}  // namespace

int SideFile::ReadHeld(std::uint32_t first, std::uint32_t count, std::vector<std::uint8_t>& buffer,
                       const std::uint8_t*& data, std::uint32_t& got) {
  if (!cache_) {
    const int e = ReadRun(first, count, 0, buffer, got);
    data = buffer.data();
    return e;
  }
  BulkReadCache& c = *cache_;
  const std::uint64_t writes = writes_ ? *writes_ : 0;
  const bool fresh = c.wholeSerial == locks_.wholeSerial() && c.writes == writes;
  const bool inside =
      first >= c.first && std::uint64_t{first} + count <= std::uint64_t{c.first} + c.count;
  if (!fresh || !inside) {
    c.count = 0;
    std::uint32_t n = 0;
    if (int e = ReadRun(first, std::max(count, kCachedBlocks), 0, c.bytes, n)) return e;
    c.wholeSerial = locks_.wholeSerial();
    c.writes = writes;
    c.first = first;
    c.count = n;
  }
  data = c.bytes.data() + std::size_t{first - c.first} * kBlockSize;
  got = std::min(count, c.count - (first - c.first));
  return 0;
}

int SideFile::ReadChains(std::vector<ChainRead>& chains) {
  // Every block must link back to the one before it: a chain that loops
  // or runs into another chain breaks that at the first shared block, and
  // a block past the end of the file cannot be read whole.
  struct Cursor {
    std::uint32_t at = 0, prev = 0;
    bool dropped = false;
  };
  std::vector<Cursor> cursors(chains.size());
  for (std::size_t i = 0; i < chains.size(); ++i) {
    chains[i].data.clear();
    chains[i].done = chains[i].first == 0;
    cursors[i].at = chains[i].first;
  }
  auto live = [&](std::size_t i) { return !chains[i].done && !cursors[i].dropped; };
  // Takes what blocks from .. from + count - 1 in `bytes` hold for the chains.
  auto consume = [&](std::uint32_t from, std::uint32_t count, const std::uint8_t* bytes) -> int {
    for (std::size_t i = 0; i < chains.size(); ++i) {
      Cursor& c = cursors[i];
      while (live(i) && c.at >= from && c.at - from < count) {
        const std::uint8_t* p = bytes + std::size_t{c.at - from} * kBlockSize;
        const BlockHeader h = DecodeBlockHeader(p);
        if (h.used == 0 || h.used > kBlockData || h.prev != c.prev) {
          if (chains[i].wanted) return kDamaged;
          c.dropped = true;
          break;
        }
        chains[i].data.insert(chains[i].data.end(), p + kBlockHeaderSize, p + kBlockHeaderSize + h.used);
        c.prev = c.at;
        c.at = h.next;
        chains[i].done = h.next == 0;
      }
    }
    return 0;
  };

  // Without other holders (no range locks, or the whole file held) what is
  // read is what is there; otherwise blocks read past the locked ones only
  // show where the chains probably go, and are read again under their locks.
  const bool alone = !locks_.enabled() || locks_.holdsWhole();
  std::uint32_t window = kFirstWindow;
  std::vector<std::uint8_t> ahead, run;
  for (bool firstRound = true;; firstRound = false) {
    // The blocks surely needed next: the other chains' ones only at first.
    std::vector<std::uint32_t> needed;
    std::uint32_t base = 0;
    for (std::size_t i = 0; i < chains.size(); ++i) {
      if (!live(i)) continue;
      if (!chains[i].wanted && !firstRound) continue;
      needed.push_back(cursors[i].at);
      if (chains[i].wanted && (base == 0 || cursors[i].at < base)) base = cursors[i].at;
    }
    if (base == 0) break;
    std::sort(needed.begin(), needed.end());
    auto isNeeded = [&](std::uint32_t b) { return std::binary_search(needed.begin(), needed.end(), b); };
    std::uint32_t lo = base, hi = base;
    while (lo > 1 && isNeeded(lo - 1)) --lo;
    while (hi < UINT32_MAX && isNeeded(hi + 1)) ++hi;
    std::uint32_t sure = hi - lo + 1;
    std::uint32_t span = std::max(sure, window);
    std::uint32_t got = 0;
    if (locks_.holdsWhole()) {
      const std::uint8_t* data = nullptr;
      if (int e = ReadHeld(lo, span, ahead, data, got)) return e;
      if (got <= base - lo) return kDamaged;
      if (int d = consume(lo, got, data)) return d;
      window = std::min(window * 2, kLargestWindow);
      continue;
    }
    int e = ReadRun(lo, span, alone ? 0 : sure, ahead, got);
    if (IsLockError(e) && sure > 1) {
      // Someone holds one of them: go block by block from the first one a
      // wanted chain needs, as a plain walk would.
      for (std::size_t i = 0; i < chains.size(); ++i)
        if (!chains[i].wanted) cursors[i].dropped = true;
      lo = base;
      sure = 1;
      span = window;
      e = ReadRun(lo, span, 1, ahead, got);
    }
    if (e) return e;
    if (got <= base - lo) return kDamaged;  // past the end of the file
    if (int d = consume(lo, alone ? got : std::min(got, sure), ahead.data())) return d;
    window = std::min(window * 2, kLargestWindow);
    if (alone) continue;

    // Where the wanted chains seem to go on, read further ahead while they
    // run off the end of what was read.
    std::vector<std::uint32_t> guess;
    for (std::size_t i = 0; i < chains.size(); ++i) {
      if (!live(i) || !chains[i].wanted) continue;
      std::uint32_t p = cursors[i].at, prev = cursors[i].prev;
      std::size_t steps = 0;
      while (p >= lo + sure && ++steps <= kLargestWindow * 4) {
        if (p - lo >= got) {
          // Read on only when the chain runs straight off the end.
          if (p - lo != got || got != span || span >= kLargestWindow * 4) break;
          if (std::uint64_t{lo} + 2 * std::uint64_t{span} > UINT32_MAX) break;
          std::uint32_t more = 0;
          std::vector<std::uint8_t> extra;
          if (ReadRun(lo + span, span, 0, extra, more) != 0) break;
          ahead.resize(std::size_t{span} * kBlockSize);
          ahead.insert(ahead.end(), extra.begin(), extra.begin() + std::size_t{more} * kBlockSize);
          got = span + more;
          span *= 2;
          if (more == 0) break;
          continue;
        }
        const BlockHeader h = DecodeBlockHeader(ahead.data() + std::size_t{p - lo} * kBlockSize);
        if (h.used == 0 || h.used > kBlockData || h.prev != prev) break;
        guess.push_back(p);
        prev = p;
        p = h.next;
        if (p == 0) break;
      }
    }
    std::sort(guess.begin(), guess.end());
    guess.erase(std::unique(guess.begin(), guess.end()), guess.end());
    for (std::size_t g = 0; g < guess.size();) {
      std::size_t k = g + 1;
      while (k < guess.size() && guess[k] == guess[k - 1] + 1) ++k;
      const auto count = static_cast<std::uint32_t>(k - g);
      std::uint32_t read = 0;
      const int r = ReadRun(guess[g], count, count, run, read);
      if (IsLockError(r)) break;  // the next round locks only what is sure
      if (r) return r;
      if (int d = consume(guess[g], read, run.data())) return d;
      g = k;
    }
  }
  return 0;
}

int SideFile::ReadValue(std::uint32_t first, std::vector<std::uint8_t>& out) {
  std::vector<ChainRead> chains(1);
  chains[0].first = first;
  const int e = ReadChains(chains);
  out = std::move(chains[0].data);
  if (e) out.clear();
  return e;
}

int SideFile::CheckChain(std::uint32_t first) {
  std::vector<std::uint8_t> ignored;
  return ReadValue(first, ignored);
}

int SideFile::WriteValue(std::uint32_t oldFirst, const std::uint8_t* data, std::size_t n,
                         std::uint32_t& newFirst) {
  std::vector<ChainWrite> values{{oldFirst, data, n, 0}};
  const int e = WriteValues(values);
  if (e == 0) newFirst = values[0].newFirst;
  return e;
}

int SideFile::WriteValues(std::vector<ChainWrite>& values) {
  if (writes_) ++*writes_;
  ScopedLock headerLock;
  if (int e = headerLock.LockByte(locks_, 0)) return e;
  std::uint8_t raw[kSideHeaderSize];
  if (int e = io_.ReadExact(0, raw, kSideHeaderSize, kDamaged)) return e;
  SideHeader h;
  if (!DecodeSideHeader(raw, h) || h.blockCount < 1) return kDamaged;

  std::map<std::uint32_t, Block> blocks;
  auto load = [&](std::uint32_t b, Block*& out) -> int {
    if (b == 0 || b >= static_cast<std::uint32_t>(h.blockCount)) return kDamaged;
    if (auto it = blocks.find(b); it != blocks.end()) {
      out = &it->second;
      return 0;
    }
    Block block;
    if (int e = ReadBlock(b, block.bytes.data())) return e;
    out = &blocks.emplace(b, block).first->second;
    return 0;
  };

  bool trimmed = false;
  auto plan = [&](ChainWrite& value) -> int {
    const std::uint32_t oldFirst = value.oldFirst;
    const std::uint8_t* data = value.data;
    const std::size_t n = value.size;
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
      if (auto [it, fresh] = blocks.try_emplace(b); !fresh) it->second = Block{};
      chain.push_back(b);
    }
    for (std::size_t i = 0; i < chain.size(); ++i) {
      Block& block = blocks[chain[i]];
      const std::size_t len = std::min(kBlockData, n - i * kBlockData);
      block.setHeader({i > 0 ? chain[i - 1] : 0, i + 1 < chain.size() ? chain[i + 1] : 0,
                       static_cast<std::uint32_t>(len)});
      std::uint8_t* to = block.bytes.data() + kBlockHeaderSize;
      std::memcpy(to, data + i * kBlockData, len);
      std::memset(to + len, 0, kBlockData - len);
    }

    // What is left of the old chain goes to the head of the free list.
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

    value.newFirst = chain.empty() ? 0 : chain.front();
    return 0;
  };
  for (ChainWrite& value : values)
    if (int e = plan(value)) return e;

  // Write the changed blocks, consecutive ones together: each run under
  // one lock, in pieces through one reused buffer.
  constexpr std::size_t kPiece = 128;
  std::vector<std::uint8_t> piece;
  std::vector<const Block*> run;
  std::uint32_t runStart = 0;
  auto flush = [&]() -> int {
    if (run.empty()) return 0;
    const std::uint64_t offset = std::uint64_t{runStart} * kBlockSize;
    if (int e = locks_.LockSpan(offset, run.size(), kBlockSize)) return e;
    int e = 0;
    for (std::size_t i = 0; i < run.size() && e == 0; i += kPiece) {
      const std::size_t n = std::min(kPiece, run.size() - i);
      piece.resize(n * kBlockSize);
      for (std::size_t j = 0; j < n; ++j)
        std::memcpy(&piece[j * kBlockSize], run[i + j]->bytes.data(), kBlockSize);
      e = io_.Write(offset + i * kBlockSize, piece.data(), piece.size());
    }
    const int u = locks_.UnlockSpan(offset, run.size(), kBlockSize);
    run.clear();
    return e ? e : u;
  };
  // Every old block and the header saved first: one sync of the journal
  // before the first write rather than one per run.
  if (journal_) {
    if (int e = journal_->Keep(Journal::kSide, 0, kSideHeaderSize)) return e;
    std::uint64_t from = 0, to = 0;  // blocks of the run being gathered
    for (const auto& [b, block] : blocks) {
      if (!block.dirty || b >= static_cast<std::uint32_t>(h.blockCount)) continue;
      if (b != to) {
        if (to > from) {
          if (int e = journal_->Keep(Journal::kSide, from * kBlockSize, (to - from) * kBlockSize)) return e;
        }
        from = b;
      }
      to = std::uint64_t{b} + 1;
    }
    if (to > from) {
      if (int e = journal_->Keep(Journal::kSide, from * kBlockSize, (to - from) * kBlockSize)) return e;
    }
  }
  for (const auto& [b, block] : blocks) {
    if (!block.dirty || b >= static_cast<std::uint32_t>(h.blockCount)) continue;
    if (!run.empty() && b != runStart + run.size()) {
      if (int e = flush()) return IsLockError(e) ? e : kDamaged;
    }
    if (run.empty()) runStart = b;
    run.push_back(&block);
  }
  if (int e = flush()) return IsLockError(e) ? e : kDamaged;
  if (trimmed) {
    if (io_.file->Truncate(std::uint64_t(h.blockCount) * kBlockSize) != 0) return kDamaged;
  }
  EncodeSideHeader(h, raw);
  if (io_.Write(0, raw, kSideHeaderSize) != 0) return kDamaged;
  return headerLock.Release();
}

}  // namespace recfile
