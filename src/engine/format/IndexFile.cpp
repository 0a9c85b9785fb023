#include "engine/format/IndexFile.h"

#include <algorithm>

#include "engine/DbError.h"
#include "engine/format/Crypto.h"
#include "engine/format/DataBlock.h"
#include "engine/format/IndexBlock.h"

namespace torvelle::format {
namespace {

bool sameBlocks(const std::vector<BlockTree::Entry>& a, const std::vector<BlockTree::Entry>& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const auto& x, const auto& y) {
    return x.child == y.child && x.count == y.count && x.key == y.key;
  });
}

}  // namespace

void IndexFile::load(const DbHeader& db, const std::vector<BlockTree::Entry>& chain,
                     BlockTree& tree) {
  owner_.clear();
  rebuild_ = false;
  if (db.keyFields > 0 && adopt(db, chain, tree)) return;
  header_.reset();
  std::size_t capacity = 64;
  if (db.keyFields > 0) capacity = recordsPerBlock(blockSize(db), indexEntrySize(db.keySize()));
  tree = BlockTree(capacity);
  tree.build(chain);
  tree.takeDirty();
  rebuild_ = db.keyFields > 0;
}

std::size_t IndexFile::blockSize(const DbHeader& db) const {
  if (header_) return header_->blockSize;
  return pxBlockSizeFor(db.keySize());
}

Bytes IndexFile::readBlock(BlockNo block) const {
  Bytes data(header_->blockSize);
  const auto offset = blockOffset(header_->headerSize, header_->blockSize, block);
  if (files_.read(kPxFile, offset, data.data(), data.size()) < blockhead::kSize)
    corrupt("index block " + std::to_string(block) + " is cut short");
  if (header_->checkValue)
    crypto::decryptBlock(data.data(), data.size(), header_->checkValue, block);
  return data;
}

// Reads the .PX header; false when there is none or it cannot be parsed.
bool IndexFile::readHeader() {
  header_.reset();
  if (!files_.isOpen(kPxFile)) return false;
  try {
    Bytes head(0x800);
    head.resize(files_.read(kPxFile, 0, head.data(), head.size()));
    const auto size = files_.size(kPxFile);
    const std::size_t need = head.size() >= 4 ? getU16(&head[hdr::kHeaderSize]) : 0;
    if (need > head.size() && need <= size) {
      head.resize(need);
      files_.read(kPxFile, 0, head.data(), head.size());
    }
    header_ = parsePxHeader(head, size);
    return true;
  } catch (const engine::DbError&) {
    header_.reset();
    return false;
  }
}

// Adopts the .PX as it is when it describes the chain exactly.
bool IndexFile::adopt(const DbHeader& db, const std::vector<BlockTree::Entry>& chain,
                      BlockTree& tree) {
  if (!readHeader()) return false;
  const auto& ph = *header_;
  if (ph.recordSize != indexEntrySize(db.keySize()) || ph.keyFields != db.keyFields) return false;
  const BlockNo physical = blocksIn(files_.size(kPxFile), ph.headerSize, ph.blockSize);
  tree = BlockTree(recordsPerBlock(ph.blockSize, ph.recordSize));
  fileBlocks_ = physical;
  first_ = getU16(&ph.raw[hdr::kFirstBlock]);
  last_ = getU16(&ph.raw[hdr::kLastBlock]);
  if (chain.empty()) {
    tree.setRoot(tree.addNode(BlockTree::Node{}));
    // An index that still has blocks for an empty table: start afresh.
    if (ph.levels() != 0 && physical > 0) return false;
    fileBlocks_ = 0;
    first_ = last_ = 0;
    return true;
  }
  const int levels = ph.levels();
  if (levels < 1 || levels > 8 || ph.root() < 1 || ph.root() > physical) return false;
  Load load{tree, db.keySize(), levels, std::vector<bool>(physical + 1), {}};
  const auto root = readNode(load, ph.root(), 1, BlockTree::kNone);
  if (root == BlockTree::kNone || !sameBlocks(load.leaves, chain)) return false;
  if (!owner_.count(last_) || !owner_.count(first_)) return false;
  tree.setRoot(root);
  tree.recountBlocks();
  return true;
}

// Reads index block `block` and, depth first, the blocks below it; returns
// the node's id, or kNone when the index does not hold together.
std::uint32_t IndexFile::readNode(Load& load, BlockNo block, int level, std::uint32_t parent) {
  const auto& ph = *header_;
  if (block < 1 || block >= load.seen.size() || load.seen[block]) return BlockTree::kNone;
  load.seen[block] = true;
  const Bytes data = readBlock(block);
  const ConstDataBlock view(data, ph.recordSize);
  const std::size_t count = view.count();
  if (count == 0 || count > recordsPerBlock(ph.blockSize, ph.recordSize)) return BlockTree::kNone;
  BlockTree::Node node;
  node.leaf = level == load.levels;
  node.parent = parent;
  node.pxBlock = block;
  node.pxNext = view.next();
  node.pxPrev = view.prev();
  const auto id = load.tree.addNode(node);
  owner_[block] = id;
  const auto keySize = load.keySize;
  for (std::size_t i = 0; i < count; ++i) {
    const auto* e = view.record(i);
    BlockTree::Entry entry;
    entry.key = view.key(i, keySize);
    const BlockNo child = getFlipped16(e + keySize);
    entry.count = getFlipped16(e + keySize + 2);
    if (node.leaf) {
      entry.child = child;
      load.leaves.push_back(entry);
    } else {
      entry.child = readNode(load, child, level + 1, id);
      if (entry.child == BlockTree::kNone) return BlockTree::kNone;
      const auto& c = load.tree.node(entry.child);
      if (c.entries.front().key != entry.key) return BlockTree::kNone;
      std::uint64_t sum = 0;
      for (const auto& ce : c.entries) sum += ce.count;
      entry.count = static_cast<std::uint32_t>(sum);  // counts above 32767 do not fit on disk
    }
    load.tree.node(id).entries.push_back(std::move(entry));
  }
  return id;
}

// Every node gets a new block number: root first, in one chain. Returns the
// nodes to write.
std::vector<std::uint32_t> IndexFile::renumber(BlockTree& tree) {
  auto order = tree.nodesInOrder();
  const bool empty = tree.blockCount() == 0;
  owner_.clear();
  BlockNo n = 0;
  if (!empty)
    for (const auto id : order) {
      auto& node = tree.node(id);
      node.pxBlock = ++n;
      node.pxPrev = n - 1;
      node.pxNext = n < order.size() ? n + 1 : 0;
      owner_[n] = id;
    }
  tree.takeDirty();
  tree.clearOrphaned();
  rebuild_ = false;
  fileBlocks_ = n;
  first_ = n ? 1 : 0;
  last_ = n;
  return order;
}

// Changed nodes keep their blocks; a new node gets a new block at the end of
// the index chain. Returns the nodes to write.
std::vector<std::uint32_t> IndexFile::placeChangedNodes(BlockTree& tree) {
  auto dirty = tree.takeDirty();
  for (std::size_t i = 0; i < dirty.size(); ++i) {
    auto& node = tree.node(dirty[i]);
    if (node.pxBlock != 0) continue;
    node.pxBlock = ++fileBlocks_;
    node.pxPrev = last_;
    node.pxNext = 0;
    if (last_ != 0) {
      const auto owner = owner_.at(last_);
      tree.node(owner).pxNext = node.pxBlock;
      if (std::find(dirty.begin(), dirty.end(), owner) == dirty.end()) dirty.push_back(owner);
    } else {
      first_ = node.pxBlock;
    }
    last_ = node.pxBlock;
    owner_[node.pxBlock] = dirty[i];
  }
  tree.takeDirty();
  return dirty;
}

void IndexFile::stage(const DbHeader& db, std::uint32_t key, BlockTree& tree,
                      std::vector<PendingWrite>& writes, std::optional<std::uint64_t>& size) {
  if (!header_) {
    header_ = makePxHeader(db, blockSize(db));
    header_->checkValue = key;
    putU32(&header_->raw[hdr::kEncryption1], key);
  }
  auto& ph = *header_;
  const auto nodes = rebuild_ || tree.orphaned() ? renumber(tree) : placeChangedNodes(tree);
  const bool empty = tree.blockCount() == 0;
  if (!empty)
    for (const auto id : nodes) {
      const auto& node = tree.node(id);
      Bytes b = serializeIndexNode(tree, node, ph.blockSize, ph.recordSize);
      if (ph.checkValue) crypto::encryptBlock(b.data(), b.size(), ph.checkValue, node.pxBlock);
      writes.push_back(
          {kPxFile, blockOffset(ph.headerSize, ph.blockSize, node.pxBlock), std::move(b)});
    }
  const std::uint32_t entries =
      static_cast<std::uint32_t>(tree.blockCount() + (empty ? 0 : tree.nodeCount() - 1));
  ph.setShape(entries, empty ? 0 : fileBlocks_, empty ? 0 : first_, empty ? 0 : last_,
              empty ? 1 : tree.node(tree.root()).pxBlock, tree.levels());
  if (empty) {
    // An empty table has an index of just its header.
    fileBlocks_ = first_ = last_ = 0;
    owner_.clear();
    tree.node(tree.root()).pxBlock = 0;
  }
  writes.push_back({kPxFile, 0, ph.raw});
  size = blockOffset(ph.headerSize, ph.blockSize, fileBlocks_ + 1);
}

}  // namespace torvelle::format
