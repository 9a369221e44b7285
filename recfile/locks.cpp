#include "recfile/locks.h"

#include "recfile/format.h"

namespace recfile {

int LockTable::LockByte(std::uint64_t offset) {
  if (!enabled_) return 0;
  auto [it, fresh] = bytes_.try_emplace(offset, 0);
  if (fresh && whole_ == 0) {
    if (int e = file_->Lock(offset, 1)) {
      bytes_.erase(it);
      return e;
    }
  }
  ++it->second;
  return 0;
}

int LockTable::UnlockByte(std::uint64_t offset) {
  if (!enabled_) return 0;
  auto it = bytes_.find(offset);
  if (it == bytes_.end()) return err::UnlockFailed;
  if (--it->second > 0) return 0;
  bytes_.erase(it);
  if (whole_ > 0) return 0;  // released together with the whole file
  return file_->Unlock(offset, 1);
}

int LockTable::LockSpan(std::uint64_t start, std::uint64_t count, std::uint64_t stride) {
  if (!enabled_ || count == 0) return 0;
  if (count == 1) return LockByte(start);
  if (whole_ == 0) {
    if (int e = file_->Lock(start, (count - 1) * stride + 1)) return e;
  }
  for (std::uint64_t i = 0; i < count; ++i) ++bytes_[start + i * stride];
  return 0;
}

int LockTable::UnlockSpan(std::uint64_t start, std::uint64_t count, std::uint64_t stride) {
  if (!enabled_ || count == 0) return 0;
  if (count == 1) return UnlockByte(start);
  int result = 0;
  std::uint64_t from = start;
  const std::uint64_t end = start + (count - 1) * stride + 1;
  for (std::uint64_t i = 0; i < count; ++i) {
    const std::uint64_t offset = start + i * stride;
    auto it = bytes_.find(offset);
    if (it == bytes_.end()) {
      result = err::UnlockFailed;
      continue;
    }
    if (--it->second > 0) {
      // Still held by an outer request: keep it, give back the gap before it.
      if (whole_ == 0 && offset > from && file_->Unlock(from, offset - from) != 0)
        result = err::UnlockFailed;
      from = offset + 1;
      continue;
    }
    bytes_.erase(it);
  }
  if (whole_ == 0 && from < end && file_->Unlock(from, end - from) != 0) result = err::UnlockFailed;
  return result;
}

int LockTable::LockBriefly(std::uint64_t offset, std::uint64_t length) {
  if (!enabled_ || whole_ > 0 || length == 0) return 0;
  return file_->Lock(offset, length);
}

int LockTable::UnlockBriefly(std::uint64_t offset, std::uint64_t length) {
  if (!enabled_ || whole_ > 0 || length == 0) return 0;
  int result = 0;
  std::uint64_t from = offset;
  const std::uint64_t end = offset + length;
  for (auto it = bytes_.lower_bound(offset); it != bytes_.end() && it->first < end; ++it) {
    if (it->first > from && file_->Unlock(from, it->first - from) != 0) result = err::UnlockFailed;
    from = it->first + 1;
  }
  if (from < end && file_->Unlock(from, end - from) != 0) result = err::UnlockFailed;
  return result;
}

int LockTable::LockWhole() {
  if (!enabled_) return 0;
  if (whole_ == 0) {
    if (int e = file_->Lock(0, format::kWholeFileLockLength)) return e;
    ++wholeSerial_;
  }
  ++whole_;
  return 0;
}

int LockTable::UnlockWhole() {
  if (!enabled_) return 0;
  if (whole_ == 0) return err::UnlockFailed;
  if (--whole_ > 0) return 0;
  // Unlock the gaps between the bytes that are still held.
  int result = 0;
  std::uint64_t from = 0;
  for (const auto& [offset, count] : bytes_) {
    if (offset >= format::kWholeFileLockLength) break;
    if (offset > from && file_->Unlock(from, offset - from) != 0) result = err::UnlockFailed;
    from = offset + 1;
  }
  if (from < format::kWholeFileLockLength &&
      file_->Unlock(from, format::kWholeFileLockLength - from) != 0)
    result = err::UnlockFailed;
  return result;
}

int ScopedLock::LockByte(LockTable& table, std::uint64_t offset) {
  Release();
  if (int e = table.LockByte(offset)) return e;
  table_ = &table;
  whole_ = false;
  offset_ = offset;
  return 0;
}

int ScopedLock::LockWhole(LockTable& table) {
  Release();
  if (int e = table.LockWhole()) return e;
  table_ = &table;
  whole_ = true;
  return 0;
}

int ScopedLock::Release() {
  if (!table_) return 0;
  LockTable* t = table_;
  table_ = nullptr;
  return whole_ ? t->UnlockWhole() : t->UnlockByte(offset_);
}

}  // namespace recfile
