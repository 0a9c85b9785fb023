#include "engine/format/DataFile.h"

#include <algorithm>
#include <cstring>

#include "engine/DbError.h"
#include "engine/format/Crypto.h"
#include "engine/format/DataBlock.h"

namespace torvelle::format {

void DataFile::open(std::uint32_t key) {
  key_ = key;
  capacity_ = recordsPerBlock(hdr_.blockSize, hdr_.recordSize);
  fileBlocks_ = blocksIn(files_.size(kDbFile), hdr_.headerSize, hdr_.blockSize);
  drop();
}

void DataFile::drop() {
  dirty_.clear();
  cachedBlock_ = 0;
}

const Bytes& DataFile::read(BlockNo block) const {
  if (const auto it = dirty_.find(block); it != dirty_.end()) return it->second;
  if (block == cachedBlock_) return cachedData_;
  if (block < 1 || block > fileBlocks_)
    corrupt("block " + std::to_string(block) + " is outside the file");
  // One buffer that every read reuses.
  cachedBlock_ = 0;
  Bytes& data = cachedData_;
  data.resize(hdr_.blockSize);
  const auto offset = blockOffset(hdr_.headerSize, hdr_.blockSize, block);
  // The last block may end where its records end; the rest reads as zeros.
  const auto got = files_.read(kDbFile, offset, data.data(), data.size());
  if (got < data.size()) std::memset(data.data() + got, 0, data.size() - got);
  if (key_) crypto::decryptBlock(data.data(), data.size(), key_, block);
  if (got < data.size() && !ConstDataBlock(data, hdr_.recordSize).wholeIn(got))
    corrupt("block " + std::to_string(block) + " is cut short");
  cachedBlock_ = block;
  return cachedData_;
}

Bytes DataFile::readHead(BlockNo block, std::size_t headBytes) const {
  Bytes data(headBytes);
  if (const auto it = dirty_.find(block); it != dirty_.end()) {
    std::copy_n(it->second.begin(), headBytes, data.begin());
    return data;
  }
  const auto offset = blockOffset(hdr_.headerSize, hdr_.blockSize, block);
  if (files_.read(kDbFile, offset, data.data(), headBytes) < blockhead::kSize)
    corrupt("block " + std::to_string(block) + " is cut short");
  if (key_) crypto::decryptBlock(data.data(), headBytes, key_, block);
  return data;
}

std::vector<BlockTree::Entry> DataFile::scanChain(const RecordVisitor& visit) const {
  std::vector<BlockTree::Entry> chain;
  bool visiting = visit != nullptr;
  BlockNo block = hdr_.firstBlock();
  if (block == 0) return chain;
  const auto keySize = hdr_.keySize();
  std::size_t headBytes = blockhead::kSize + keySize;
  if (key_) headBytes = (headBytes + 255) / 256 * 256;
  headBytes = std::min(headBytes, hdr_.blockSize);
  std::vector<bool> seen(fileBlocks_ + 1);
  while (block != 0) {
    if (block > fileBlocks_)
      corrupt("the block chain points outside the file (block " + std::to_string(block) + ")");
    if (seen[block]) corrupt("the block chain loops at block " + std::to_string(block));
    seen[block] = true;
    const Bytes head = visiting ? Bytes{} : readHead(block, headBytes);
    const ConstDataBlock view(visiting ? read(block) : head, hdr_.recordSize);
    const std::size_t count = view.count();
    if (count > capacity_) corrupt("block " + std::to_string(block) + " claims too many records");
    for (std::size_t i = 0; visiting && i < count; ++i) visiting = visit(view.record(i));
    BlockTree::Entry e;
    e.child = block;
    e.count = static_cast<std::uint32_t>(count);
    if (count > 0 && keySize > 0) e.key = view.key(0, keySize);
    chain.push_back(std::move(e));
    block = view.next();
  }
  return chain;
}

Bytes& DataFile::edit(BlockNo block) {
  auto it = dirty_.find(block);
  if (it == dirty_.end()) it = dirty_.emplace(block, read(block)).first;
  return it->second;
}

void DataFile::setNext(BlockNo block, BlockNo next) {
  DataBlock(edit(block), hdr_.recordSize).setNext(next);
}
void DataFile::setPrev(BlockNo block, BlockNo prev) {
  DataBlock(edit(block), hdr_.recordSize).setPrev(prev);
}

BlockNo DataFile::allocate() {
  BlockNo block = hdr_.firstFree();
  if (block != 0) {
    if (block > fileBlocks_) corrupt("the free block list points outside the file");
    const ConstDataBlock b(edit(block), hdr_.recordSize);
    if (b.count() != 0) corrupt("the free block list holds a block in use");
    hdr_.setFirstFree(b.next());
  } else {
    if (fileBlocks_ >= 65535)
      throw engine::DbError(engine::DbError::Kind::Io, "Table is full: it has 65535 blocks");
    block = ++fileBlocks_;
    dirty_[block] = Bytes(hdr_.blockSize);
  }
  auto& b = dirty_[block];
  std::fill(b.begin(), b.end(), 0);
  setBlockCount(b, 0, hdr_.recordSize);
  return block;
}

void DataFile::release(BlockNo block) {
  auto& b = edit(block);
  std::fill(b.begin(), b.end(), 0);
  const DataBlock view(b, hdr_.recordSize);
  view.setNext(hdr_.firstFree());
  view.setCount(0);
  hdr_.setFirstFree(block);
}

std::vector<BlockTree::Entry> DataFile::pack(const BlockTree& tree, BlockNo minBlocks) {
  const auto rs = hdr_.recordSize;
  const auto ks = hdr_.keySize();
  const auto need = static_cast<BlockNo>((tree.total() + capacity_ - 1) / capacity_);
  // The records are copied straight from the old blocks into full new ones.
  std::vector<BlockTree::Entry> chain;
  decltype(dirty_) packed;
  Bytes block;
  std::size_t count = 0;
  const auto finish = [&] {
    const auto b = static_cast<BlockNo>(packed.size() + 1);
    const DataBlock view(block, rs);
    view.link(b - 1, b < need ? b + 1 : 0);
    view.setCount(count);
    chain.push_back({view.key(0, ks), static_cast<std::uint32_t>(count), b});
    packed.emplace(b, std::move(block));
    count = 0;
  };
  for (auto pos = tree.first(); pos.valid(); pos = tree.next(pos)) {
    const auto& e = tree.at(pos);
    const ConstDataBlock old(read(e.child), rs);
    for (std::uint32_t i = 0; i < e.count; ++i) {
      if (count == 0) block.assign(hdr_.blockSize, 0);
      DataBlock(block, rs).put(count, old.record(i));
      if (++count == capacity_) finish();
    }
  }
  if (count > 0) finish();
  dirty_ = std::move(packed);
  fileBlocks_ = std::max(need, minBlocks);
  hdr_.setFirstFree(0);
  cachedBlock_ = 0;
  return chain;
}

void DataFile::stage(std::vector<PendingWrite>& writes, std::optional<std::uint64_t>& size) {
  // The staged blocks are given up to the writes (they are dropped after
  // the commit, and a failed one reads the table again).
  std::vector<std::pair<BlockNo, Bytes>> blocks(std::make_move_iterator(dirty_.begin()),
                                                std::make_move_iterator(dirty_.end()));
  dirty_.clear();
  std::sort(blocks.begin(), blocks.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
  for (auto& [block, b] : blocks) {
    if (key_) crypto::encryptBlock(b.data(), b.size(), key_, block);
    writes.push_back({kDbFile, blockOffset(hdr_.headerSize, hdr_.blockSize, block), std::move(b)});
  }
  size = blockOffset(hdr_.headerSize, hdr_.blockSize, fileBlocks_ + 1);
}

}  // namespace torvelle::format
