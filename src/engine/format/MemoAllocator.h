#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <utility>
#include <vector>

#include "engine/format/Bytes.h"
#include "engine/format/Value.h"

namespace torvelle::format {

// Layout of the memo (.MB) file: 4 KiB blocks; small values share a
// sub-allocated block cut into 16-byte chunks, listed by 5-byte entries.
namespace memo {
constexpr std::uint64_t kBlock = 4096;
constexpr int kChunks = 256, kFirstChunk = 0x15, kEntries = 64;
constexpr std::size_t kGraphicPrefix = 8;
constexpr std::uint8_t kBigBlock = 2, kSubBlock = 3, kFreeBlock = 4;
// Values above this size get blocks of their own.
constexpr std::size_t kSubLimit = 2048;
// The reference to a value: its block's offset (a multiple of 256) and the
// entry there that lists it, 0xFF for a block of its own.
constexpr std::uint32_t locator(std::uint64_t offset, std::size_t entry) {
  return static_cast<std::uint32_t>(offset | entry);
}
}  // namespace memo

// One entry of a sub-allocated block: where a value's chunks start, how many
// there are and how many bytes of the last one it uses. `Byte` is const for
// a read-only view.
template <class Byte>
class SubEntryView {
 public:
  // The entry's five bytes, wherever they were read to.
  explicit SubEntryView(Byte* entry) : p_(entry) {}
  // Entry `index` of a whole block.
  SubEntryView(Byte* page, std::size_t index) : p_(page + offsetIn(index)) {}
  static constexpr std::uint64_t offsetIn(std::size_t index) { return 12 + 5 * index; }
  static constexpr std::size_t kSize = 5;
  unsigned firstChunk() const { return p_[0]; }
  unsigned chunks() const { return p_[1]; }
  unsigned lastBytes() const { return p_[4]; }
  bool live() const { return p_[0] != 0 && p_[4] != 0; }
  std::size_t length() const { return (chunks() - 1) * 16 + lastBytes(); }
  void set(std::size_t first, std::size_t length) {
    const std::size_t n = (length + 15) / 16;
    p_[0] = lowByte(first);
    p_[1] = lowByte(n);
    putU16(p_ + 2, 1);
    p_[4] = lowByte(length - (n - 1) * 16);
  }
  void clear() { std::fill(p_, p_ + 5, Byte{0}); }

 private:
  Byte* p_;
};
using SubEntry = SubEntryView<std::uint8_t>;
using ConstSubEntry = SubEntryView<const std::uint8_t>;

// Where values live in the memo file: finds room for a new value (a free
// run of blocks, a chunk run in a sub-allocated block, or the end of the
// file) and gives back the room of a value that goes. Changed pages are
// staged here until the table commits them with the rest of its change.
class MemoAllocator {
 public:
  // How the allocator reaches the memo file: its bytes as on disk
  // (decrypted), its size (0 when there is none), and making an empty one.
  struct Access {
    std::function<Bytes(std::uint64_t offset, std::size_t n)> read;
    std::function<std::uint64_t()> size;
    std::function<void()> create;
  };

  explicit MemoAllocator(Access access) : access_(std::move(access)) {}

  // Forgets the staged pages and what it learnt of the file.
  void reset();
  // Writes the reference of `stored` (leader, length, locator) into the
  // record's field bytes `data`, placing the rest in the memo file.
  void store(const FieldDef& field, const Bytes& stored, std::uint8_t* data);
  // Gives back the room of the value the field bytes `data` refer to.
  void release(const FieldDef& field, const std::uint8_t* data);

  std::map<std::uint64_t, Bytes>& staged() { return dirty_; }
  // Where the file ends once the staged pages are written.
  std::uint64_t end() const { return end_; }

 private:
  void prepare();
  void scan();
  Bytes& page(std::uint64_t offset, bool fresh = false);
  std::uint64_t allocateBlocks(std::uint64_t units);
  std::uint32_t storeBig(const FieldDef& field, const Bytes& stored);
  std::uint32_t storeSmall(const Bytes& stored);
  std::optional<std::uint32_t> storeInPartial(std::uint64_t offset, const Bytes& stored);
  void releaseSmall(std::uint64_t offset, unsigned index);

  Access access_;
  std::map<std::uint64_t, Bytes> dirty_;
  bool scanned_ = false;
  std::uint64_t end_ = 0;
  std::vector<std::pair<std::uint64_t, std::uint64_t>> free_;  // free blocks: offset, units
  std::vector<std::uint64_t> partial_;                         // sub-allocated blocks with room
};

}  // namespace torvelle::format
