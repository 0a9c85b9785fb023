#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <unordered_map>
#include <vector>

#include "engine/format/BlockTree.h"
#include "engine/format/Bytes.h"
#include "engine/format/FileSet.h"
#include "engine/format/Header.h"
#include "engine/format/Journal.h"

namespace torvelle::format {

// The data blocks of the .DB. Blocks are read on demand, the last one kept
// since records are mostly read one after another. A change edits staged
// copies of the blocks it touches, takes blocks from the free list (or the
// end of the file) and gives emptied ones back to it; the header's free list
// and block counts follow.
class DataFile {
 public:
  DataFile(const FileSet& files, DbHeader& header) : files_(files), hdr_(header) {}

  // After the header is read, with the block key (0 = plain). Forgets the
  // staged blocks.
  void open(std::uint32_t key);
  BlockNo blocks() const { return fileBlocks_; }
  std::size_t capacity() const { return capacity_; }

  // Valid until the next read or change of a block.
  const Bytes& read(BlockNo block) const;
  // Sees one record after another; returns whether it wants more.
  using RecordVisitor = std::function<bool(const std::uint8_t* record)>;
  // Walks the chain once, reading only each block's head and first key;
  // with `visit`, whole blocks, handing their records to it until it has
  // seen enough.
  std::vector<BlockTree::Entry> scanChain(const RecordVisitor& visit = {}) const;

  // The staged copy of a block, made on first use.
  Bytes& edit(BlockNo block);
  BlockNo allocate();
  void release(BlockNo block);
  void setNext(BlockNo block, BlockNo next);
  void setPrev(BlockNo block, BlockNo prev);
  // Writes the records the leaves of `tree` list into full blocks 1.. in
  // their order, replacing every staged block; the file keeps at least
  // `minBlocks`. Returns the new chain.
  std::vector<BlockTree::Entry> pack(const BlockTree& tree, BlockNo minBlocks);

  // Gives the staged blocks up to `writes`, front to back, with the file
  // size they leave.
  void stage(std::vector<PendingWrite>& writes, std::optional<std::uint64_t>& size);
  // Forgets staged blocks and the kept one.
  void drop();

 private:
  Bytes readHead(BlockNo block, std::size_t headBytes) const;

  const FileSet& files_;
  DbHeader& hdr_;
  std::uint32_t key_ = 0;
  std::size_t capacity_ = 0;  // records per block
  BlockNo fileBlocks_ = 0;
  mutable BlockNo cachedBlock_ = 0;  // the block read last, as on disk
  mutable Bytes cachedData_;
  // Hashed: a batch stages thousands and looks them up for every record.
  // Elements stay in place as others are added.
  std::unordered_map<BlockNo, Bytes> dirty_;
};

}  // namespace torvelle::format
