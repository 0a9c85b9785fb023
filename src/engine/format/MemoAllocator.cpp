#include "engine/format/MemoAllocator.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "engine/DbError.h"

namespace torvelle::format {

using engine::DbError;
using namespace memo;

void MemoAllocator::reset() {
  dirty_.clear();
  scanned_ = false;
  end_ = 0;
  free_.clear();
  partial_.clear();
}

void MemoAllocator::prepare() {
  if (access_.size() == 0) access_.create();
  if (!scanned_) scan();
}

void MemoAllocator::scan() {
  scanned_ = true;
  const auto size = access_.size();
  end_ = (size + kBlock - 1) / kBlock * kBlock;
  // Blocks are not chained: walk them by their lengths. Anything odd stops
  // the walk; the space after it is then never reused, only appended to.
  for (std::uint64_t offset = kBlock; offset + kBlock <= size;) {
    const Bytes head = access_.read(offset, 3);
    const std::uint64_t units = getU16(&head[1]);
    if (units == 0 || offset + units * kBlock > size) break;
    if (head[0] == kFreeBlock) {
      free_.emplace_back(offset, units);
    } else if (head[0] == kSubBlock) {
      if (units != 1) break;
      partial_.push_back(offset);
    } else if (head[0] != kBigBlock) {
      break;
    }
    offset += units * kBlock;
  }
}

Bytes& MemoAllocator::page(std::uint64_t offset, bool fresh) {
  auto it = dirty_.find(offset);
  if (it != dirty_.end()) {
    if (fresh) std::fill(it->second.begin(), it->second.end(), 0);
    return it->second;
  }
  Bytes data(kBlock);
  const auto size = access_.size();
  if (!fresh && offset < size) {
    // Files from other writers may end inside their last block.
    const Bytes got = access_.read(
        offset, static_cast<std::size_t>(std::min<std::uint64_t>(kBlock, size - offset)));
    std::copy(got.begin(), got.end(), data.begin());
  }
  return dirty_.emplace(offset, std::move(data)).first->second;
}

std::uint64_t MemoAllocator::allocateBlocks(std::uint64_t units) {
  const auto bytes = units * kBlock;
  for (auto it = free_.begin(); it != free_.end(); ++it) {
    if (it->second < units) continue;
    const auto offset = it->first;
    if (it->second > units) {
      it->first += bytes;
      it->second -= units;
      auto& rest = page(it->first);
      rest[0] = kFreeBlock;
      putU16(&rest[1], it->second);
    } else {
      free_.erase(it);
    }
    return offset;
  }
  const auto offset = end_;
  // Memo references hold a 32-bit offset.
  if (offset + bytes > 0xFFFFF000ull)
    throw DbError(DbError::Kind::InvalidValue, "The memo file of the table is full");
  end_ += bytes;
  return offset;
}

void MemoAllocator::store(const FieldDef& field, const Bytes& stored, std::uint8_t* data) {
  const std::size_t leader = blobLeader(field);
  std::memset(data, 0, leader + 10);
  if (stored.empty()) return;
  const bool graphic = field.type == FieldType::Graphic;
  if (graphic && stored.size() >= kGraphicPrefix && stored.size() - kGraphicPrefix <= leader) {
    // A picture small enough for the leader is kept there without its header.
    std::memcpy(data, stored.data() + kGraphicPrefix, stored.size() - kGraphicPrefix);
    putU32(data + leader + 4, stored.size() - kGraphicPrefix);
    return;
  }
  std::memcpy(data, stored.data(), std::min<std::size_t>(leader, stored.size()));
  putU32(data + leader + 4, stored.size());
  if (stored.size() <= leader) return;
  prepare();
  putU16(data + leader + 8, 1);
  const bool big = stored.size() > kSubLimit || graphic;
  putU32(data + leader, big ? storeBig(field, stored) : storeSmall(stored));
}

// Blocks of its own: a 9-byte head, then the value. Returns the locator.
std::uint32_t MemoAllocator::storeBig(const FieldDef& field, const Bytes& stored) {
  const auto blocks = (9 + stored.size() + kBlock - 1) / kBlock;
  if (blocks > 0xFFFF)
    throw DbError(DbError::Kind::InvalidValue,
                  "Field '" + field.name + "': a value holds at most 255 MB");
  const std::uint64_t units = blocks;
  const auto offset = allocateBlocks(units);
  for (std::uint64_t u = 0; u < units; ++u) page(offset + u * kBlock, true);
  auto& first = page(offset);
  first[0] = kBigBlock;
  putU16(&first[1], units);
  putU32(&first[3], stored.size());
  putU16(&first[7], 1);
  for (std::size_t done = 0; done < stored.size();) {
    const auto at = 9 + done;
    auto& p = page(offset + at / kBlock * kBlock);
    const auto in = at % kBlock;
    const auto n = std::min<std::size_t>(stored.size() - done, kBlock - in);
    std::memcpy(&p[in], &stored[done], n);
    done += n;
  }
  return locator(offset, 0xFF);
}

// A run of chunks in a sub-allocated block. Returns the locator.
std::uint32_t MemoAllocator::storeSmall(const Bytes& stored) {
  // Look for room in a few sub-allocated blocks that had some.
  for (int tries = 0; tries < 4 && !partial_.empty(); ++tries) {
    const auto offset = partial_.back();
    if (const auto locator = storeInPartial(offset, stored)) return *locator;
  }
  const auto offset = allocateBlocks(1);
  auto& p = page(offset, true);
  p[0] = kSubBlock;
  putU16(&p[1], 1);
  SubEntry(p.data(), kEntries - 1).set(kFirstChunk, stored.size());
  std::memcpy(&p[kFirstChunk * 16], stored.data(), stored.size());
  partial_.push_back(offset);
  return locator(offset, kEntries - 1);
}

// Tries the sub-allocated block at `offset`, the last of the partial list;
// when the value does not fit, the block leaves the end of the list.
std::optional<std::uint32_t> MemoAllocator::storeInPartial(std::uint64_t offset,
                                                           const Bytes& stored) {
  auto& p = page(offset);
  if (p[0] != kSubBlock) {
    partial_.pop_back();
    return std::nullopt;
  }
  std::array<bool, kChunks> used{};
  std::fill_n(used.begin(), kFirstChunk, true);
  std::optional<std::size_t> freeEntry;
  for (std::size_t e = kEntries; e-- > 0;) {
    const ConstSubEntry en(p.data(), e);
    if (!en.live()) {
      if (!freeEntry) freeEntry = e;
      continue;
    }
    const unsigned stop = std::min<unsigned>(en.firstChunk() + en.chunks(), kChunks);
    std::fill(used.begin() + en.firstChunk(), used.begin() + std::max(stop, en.firstChunk()), true);
  }
  const std::size_t chunks = (stored.size() + 15) / 16;
  std::optional<std::size_t> start;
  for (std::size_t c = kFirstChunk, run = 0; c < kChunks && !start; ++c) {
    run = used[c] ? 0 : run + 1;
    if (run == chunks) start = c - chunks + 1;
  }
  if (!freeEntry || !start) {
    partial_.pop_back();
    if (freeEntry) partial_.insert(partial_.begin(), offset);  // smaller values may fit
    return std::nullopt;
  }
  SubEntry(p.data(), *freeEntry).set(*start, stored.size());
  const auto at = *start * 16;
  std::memset(&p[at], 0, chunks * 16);
  std::memcpy(&p[at], stored.data(), stored.size());
  return locator(offset, *freeEntry);
}

void MemoAllocator::release(const FieldDef& field, const std::uint8_t* data) {
  const std::size_t leader = blobLeader(field);
  const std::uint32_t locator = getU32(data + leader);
  const std::uint32_t length = getU32(data + leader + 4);
  const std::uint64_t offset = locator & 0xFFFFFF00u;
  if (length == 0 || locator == 0 || offset == 0 || access_.size() == 0) return;
  prepare();
  // A reference that does not fit is left alone: freeing must never damage
  // another value.
  if (offset + kBlock > end_ || offset % kBlock) return;
  auto& p = page(offset);
  const unsigned index = locator & 0xFF;
  if (p[0] == kBigBlock && index == 0xFF && getU32(&p[3]) == length) {
    p[0] = kFreeBlock;
    free_.emplace_back(offset, getU16(&p[1]));
    return;
  }
  if (p[0] == kSubBlock && index < kEntries) releaseSmall(offset, index);
}

void MemoAllocator::releaseSmall(std::uint64_t offset, unsigned index) {
  auto& p = page(offset);
  SubEntry en(p.data(), index);
  if (en.firstChunk() == 0) return;
  en.clear();
  bool live = false;
  for (std::size_t e = 0; e < kEntries; ++e) live = live || ConstSubEntry(p.data(), e).live();
  if (!live) {
    p[0] = kFreeBlock;
    free_.emplace_back(offset, 1);
  } else if (std::find(partial_.begin(), partial_.end(), offset) == partial_.end()) {
    partial_.push_back(offset);
  }
}

}  // namespace torvelle::format
