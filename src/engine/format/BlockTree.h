#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/format/KeyOrder.h"

namespace torvelle::format {

// The data blocks of a table in chain order, as a B-tree whose leaves hold
// one entry per data block (its record count and the key of its first
// record) and whose inner entries hold the sums and first keys of their
// children. It finds the block of an ordinal or of a key in a few steps at
// any table size, and for keyed tables it is the primary index: each node
// is one .PX block, and changed nodes are marked so that only their blocks
// are rewritten.
class BlockTree {
 public:
  static constexpr std::uint32_t kNone = 0xFFFFFFFFu;
  struct Entry {
    std::string key;
    std::uint32_t count = 0;
    std::uint32_t child = 0;  // leaf: data block number (BlockNo); inner: node id
  };
  struct Node {
    std::vector<Entry> entries;
    std::uint32_t parent = kNone;
    bool leaf = true;
    bool dirty = false;
    BlockNo pxBlock = 0;  // 0: no index block yet
    BlockNo pxNext = 0, pxPrev = 0;
  };
  struct Pos {
    std::uint32_t node = kNone;
    std::size_t index = 0;
    std::uint64_t before = 0;  // records in the blocks before this one
    bool valid() const { return node != kNone; }
  };

  explicit BlockTree(std::size_t capacity = 64) : capacity_(capacity < 4 ? 4 : capacity) {}

  std::size_t capacity() const { return capacity_; }
  // A fresh tree over data blocks given in chain order; leaves are filled.
  void build(std::vector<Entry> blocks);
  // Loader interface: nodes are added as read from an index file.
  std::uint32_t addNode(Node node);
  void setRoot(std::uint32_t id) { root_ = id; }
  void recountBlocks();

  std::uint32_t root() const { return root_; }
  Node& node(std::uint32_t id) { return nodes_[id]; }
  const Node& node(std::uint32_t id) const { return nodes_[id]; }
  std::uint64_t total() const;
  std::size_t blockCount() const { return blocks_; }
  std::size_t nodeCount() const { return nodes_.size() - freeNodes_.size(); }
  int levels() const;

  Pos findOrdinal(std::uint64_t ordinal) const;
  // The block whose first key is the greatest not above `key` in `order`,
  // or the first block; invalid when there are no blocks.
  // With `prefix`, `key` is the leading part of a key and only that part of
  // the first keys counts: the last block whose first key starts with it or
  // before it.
  Pos findKey(std::string_view key, const KeyOrder& order, bool prefix = false) const;
  Pos first() const;
  Pos last() const;
  Pos next(const Pos& pos) const;
  const Entry& at(const Pos& pos) const { return nodes_[pos.node].entries[pos.index]; }

  void addCount(const Pos& pos, int delta);
  void setKey(const Pos& pos, const std::string& key);
  // Inserts a block entry at `index` of leaf `leaf`; positions held by the
  // caller are invalid afterwards.
  void insertAt(std::uint32_t leaf, std::size_t index, Entry entry);
  void erase(const Pos& pos);

  // Nodes changed since the last call; `orphaned` tells that a node was
  // dropped, so that the index file must be rebuilt rather than patched.
  std::vector<std::uint32_t> takeDirty();
  bool orphaned() const { return orphaned_; }
  void clearOrphaned() { orphaned_ = false; }
  // Live nodes, root first, level by level.
  std::vector<std::uint32_t> nodesInOrder() const;

 private:
  void markDirty(std::uint32_t id);
  std::uint32_t newNode(bool leaf);
  std::size_t indexInParent(std::uint32_t id) const;
  std::uint64_t sum(std::uint32_t id) const;
  // The entry that stands for node `id` one level up.
  Entry entryFor(std::uint32_t id) const;
  std::uint32_t nextId() const;
  void propagate(std::uint32_t id, std::int64_t delta, bool keyChanged);
  void split(std::uint32_t id);
  Pos leftmost(std::uint32_t id, std::uint64_t before) const;

  std::vector<Node> nodes_;
  std::vector<std::uint32_t> freeNodes_;
  std::vector<std::uint32_t> dirty_;
  std::uint32_t root_ = kNone;
  std::size_t capacity_;
  std::size_t blocks_ = 0;
  bool orphaned_ = false;
};

}  // namespace torvelle::format
