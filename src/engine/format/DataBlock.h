#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <type_traits>

#include "engine/format/Bytes.h"
#include "engine/format/Header.h"

namespace torvelle::format {

// One block's bytes seen as its links and its records. `Buffer` is const
// Bytes for a read-only view; the editing members then do not compile.
template <class Buffer>
class BlockView {
  using Byte = std::conditional_t<std::is_const_v<Buffer>, const std::uint8_t, std::uint8_t>;

 public:
  BlockView(Buffer& bytes, std::size_t recordSize) : b_(bytes), rs_(recordSize) {}

  BlockNo next() const { return getU16(&b_[blockhead::kNext]); }
  BlockNo prev() const { return getU16(&b_[blockhead::kPrev]); }
  std::size_t count() const { return blockCount(b_, rs_); }
  Byte* record(std::size_t index) const { return b_.data() + blockhead::kSize + index * rs_; }
  // The first `keySize` bytes of record `index`.
  std::string key(std::size_t index, std::size_t keySize) const {
    return {reinterpret_cast<const char*>(record(index)), keySize};
  }
  // Whether a block read only `got` bytes long holds all of its records.
  bool wholeIn(std::size_t got) const {
    return got >= blockhead::kSize && blockhead::kSize + count() * rs_ <= got;
  }

  void setNext(BlockNo block) const { putU16(&b_[blockhead::kNext], block); }
  void setPrev(BlockNo block) const { putU16(&b_[blockhead::kPrev], block); }
  void link(BlockNo prev, BlockNo next) const {
    setPrev(prev);
    setNext(next);
  }
  void setCount(std::size_t count) const { setBlockCount(b_, count, rs_); }
  void put(std::size_t index, const std::uint8_t* rec) const {
    std::memcpy(record(index), rec, rs_);
  }
  // Puts `rec` at `index` of the `count` records, moving the later ones up.
  void insert(std::size_t index, std::size_t count, const std::uint8_t* rec) const {
    std::memmove(record(index + 1), record(index), (count - index) * rs_);
    put(index, rec);
    setCount(count + 1);
  }
  // Takes record `index` out of the `count` records, moving the later ones
  // down and zeroing the place freed at the end.
  void erase(std::size_t index, std::size_t count) const {
    std::memmove(record(index), record(index + 1), (count - index - 1) * rs_);
    std::memset(record(count - 1), 0, rs_);
    setCount(count - 1);
  }
  // Moves the records from `keep` on of the `count` records into the empty
  // block `to`.
  void moveTail(std::size_t keep, std::size_t count, const BlockView& to) const {
    const std::size_t moved = count - keep;
    std::memcpy(to.record(0), record(keep), moved * rs_);
    std::memset(record(keep), 0, moved * rs_);
    setCount(keep);
    to.setCount(moved);
  }

 private:
  Buffer& b_;
  std::size_t rs_;
};

using DataBlock = BlockView<Bytes>;
using ConstDataBlock = BlockView<const Bytes>;

}  // namespace torvelle::format
