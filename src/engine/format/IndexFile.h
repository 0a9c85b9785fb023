#pragma once
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <vector>

#include "engine/format/BlockTree.h"
#include "engine/format/FileSet.h"
#include "engine/format/Header.h"
#include "engine/format/Journal.h"

namespace torvelle::format {

// The primary index (.PX) of a keyed table: the table's BlockTree as stored,
// one index block per tree node. Opening adopts the stored index when it
// describes the data block chain exactly; a change writes the blocks of the
// nodes it changed, or the whole index afresh when the tree was rebuilt or
// lost a node.
class IndexFile {
 public:
  explicit IndexFile(const FileSet& files) : files_(files) {}

  // Sets up `tree` over the data block chain `chain` of the table `db`:
  // read from the index, or built from the chain (the index is then
  // written afresh, header included, by the first change).
  void load(const DbHeader& db, const std::vector<BlockTree::Entry>& chain, BlockTree& tree);
  // The index no longer fits the tree; the next change writes it afresh.
  void rebuild() { rebuild_ = true; }
  bool needsRebuild() const { return rebuild_; }
  // The block size of the index: the stored one, or what we write for `db`.
  std::size_t blockSize(const DbHeader& db) const;
  // Adds the writes that bring the index in line with `tree` and the file
  // size they leave. `key` encrypts a new index.
  void stage(const DbHeader& db, std::uint32_t key, BlockTree& tree,
             std::vector<PendingWrite>& writes, std::optional<std::uint64_t>& size);

 private:
  struct Load {
    BlockTree& tree;
    std::size_t keySize = 0;
    int levels = 0;
    std::vector<bool> seen;                // index blocks read so far
    std::vector<BlockTree::Entry> leaves;  // leaf entries in order
  };
  bool readHeader();
  bool adopt(const DbHeader& db, const std::vector<BlockTree::Entry>& chain, BlockTree& tree);
  Bytes readBlock(BlockNo block) const;
  std::uint32_t readNode(Load& load, BlockNo block, int level, std::uint32_t parent);
  std::vector<std::uint32_t> renumber(BlockTree& tree);
  std::vector<std::uint32_t> placeChangedNodes(BlockTree& tree);

  const FileSet& files_;
  std::optional<PxHeader> header_;  // none: no usable index; a change writes a new one
  bool rebuild_ = false;
  BlockNo fileBlocks_ = 0, first_ = 0, last_ = 0;
  std::map<BlockNo, std::uint32_t> owner_;  // index block -> tree node
};

}  // namespace torvelle::format
