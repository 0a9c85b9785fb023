#include <cstring>

#include "engine/DbError.h"
#include "engine/format/DataBlock.h"
#include "engine/format/FieldCodec.h"
#include "engine/format/ParadoxTable.h"

namespace torvelle::format {

// What one walk of the chain finds besides problems.
struct ParadoxTable::ChainWalk {
  std::uint64_t total = 0;
  std::size_t length = 0;
  BlockNo prevBlock = 0, lastBlock = 0;
  std::vector<bool> inChain;
  Bytes prevKey;
  std::uint64_t ordinal = 0;
};

// The consistency check walks everything open() trusts lazily: every block
// in full, the free list, key order, the index against the chain and every
// memo reference.
std::vector<std::string> ParadoxTable::problems() const {
  settleKeyOrder();
  std::vector<std::string> out;
  constexpr std::size_t kMax = 100;
  const Report report = [&](const std::string& text) {
    if (out.size() < kMax) out.push_back(text);
  };
  if (hdr_.fileBlocks() > data_.blocks())
    report("the header counts " + std::to_string(hdr_.fileBlocks()) + " blocks, the file holds " +
           std::to_string(data_.blocks()));
  ChainWalk walk;
  walk.inChain.resize(data_.blocks() + 1);
  for (auto pos = tree_.first(); pos.valid(); pos = tree_.next(pos))
    checkBlock(tree_.at(pos), walk, report);
  if (walk.total != hdr_.numRecords())
    report("the header counts " + std::to_string(hdr_.numRecords()) + " records, the blocks hold " +
           std::to_string(walk.total));
  if (walk.length != hdr_.usedBlocks())
    report("the header counts " + std::to_string(hdr_.usedBlocks()) +
           " blocks in use, the chain has " + std::to_string(walk.length));
  if (walk.lastBlock != hdr_.lastBlock() && walk.length > 0)
    report("the header names block " + std::to_string(hdr_.lastBlock()) +
           " as the last, the chain ends at " + std::to_string(walk.lastBlock));
  checkFreeList(walk.inChain, report);
  if (hdr_.keyFields > 0) {
    if (!files_.isOpen(kPxFile))
      report("the primary index file is missing");
    else if (index_.needsRebuild())
      report("the primary index does not match the table");
  }
  return out;
}

void ParadoxTable::checkBlock(const BlockTree::Entry& e, ChainWalk& walk,
                              const Report& report) const {
  const BlockNo block = e.child;
  ++walk.length;
  walk.total += e.count;
  walk.lastBlock = block;
  walk.inChain[block] = true;
  Bytes data;
  try {
    data = data_.read(block);
  } catch (const engine::DbError& err) {
    report(err.what());
    walk.prevBlock = block;
    return;
  }
  const ConstDataBlock view(data, hdr_.recordSize);
  if (view.prev() != walk.prevBlock)
    report("block " + std::to_string(block) + " links back to block " +
           std::to_string(view.prev()) + " instead of " + std::to_string(walk.prevBlock));
  walk.prevBlock = block;
  const auto ks = hdr_.keySize();
  for (std::uint32_t i = 0; i < e.count; ++i, ++walk.ordinal) {
    const auto* rec = view.record(i);
    if (ks > 0) {
      if (!walk.prevKey.empty() && keyOrder_.compare(walk.prevKey.data(), rec, ks) >= 0)
        report("record " + std::to_string(walk.ordinal + 1) + " is out of key order");
      walk.prevKey.assign(rec, rec + ks);
    }
    checkBlobs(rec, walk.ordinal, report);
  }
}

void ParadoxTable::checkBlobs(const std::uint8_t* rec, std::uint64_t ordinal,
                              const Report& report) const {
  for (std::size_t f = 0; f < hdr_.fields.size(); ++f) {
    if (!codec::isBlob(hdr_.fields[f].type)) continue;
    try {
      memo_.value(hdr_.fields[f], rec + hdr_.offsets[f], true, true);
    } catch (const engine::DbError& err) {
      report("record " + std::to_string(ordinal + 1) + ": " + err.what());
    }
  }
}

// Free list: in the file, not in use, no loop.
void ParadoxTable::checkFreeList(const std::vector<bool>& inChain, const Report& report) const {
  BlockNo free = hdr_.firstFree();
  for (BlockNo steps = 0; free != 0; ++steps) {
    if (free > data_.blocks() || steps > data_.blocks()) {
      report("the free block list is broken at block " + std::to_string(free));
      return;
    }
    if (inChain[free]) {
      report("block " + std::to_string(free) + " is both free and in use");
      return;
    }
    try {
      free = ConstDataBlock(data_.read(free), hdr_.recordSize).next();
    } catch (const engine::DbError& err) {
      report(err.what());
      return;
    }
  }
}

}  // namespace torvelle::format
