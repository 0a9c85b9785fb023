#include "engine/format/IndexBlock.h"

#include <algorithm>

#include "engine/DbError.h"
#include "engine/format/DataBlock.h"

namespace torvelle::format {

Bytes serializeIndexNode(const BlockTree& tree, const BlockTree::Node& node, std::size_t blockSize,
                         std::size_t recordSize) {
  const auto keySize = recordSize - indexEntrySize(0);
  if (node.entries.size() > recordsPerBlock(blockSize, recordSize))
    throw engine::DbError(engine::DbError::Kind::Corrupt,
                          "Table is corrupt: an index block overflows");
  Bytes b(blockSize);
  const DataBlock block(b, recordSize);
  block.link(node.pxPrev, node.pxNext);
  block.setCount(node.entries.size());
  std::size_t i = 0;
  for (const auto& e : node.entries) {
    auto* at = block.record(i++);
    e.key.copy(reinterpret_cast<char*>(at), keySize);  // at most the key's own bytes
    putFlipped16(at + keySize, node.leaf ? e.child : tree.node(e.child).pxBlock);
    // Counts above what a short holds are only sums on upper levels.
    putFlipped16(at + keySize + 2, std::min<std::uint32_t>(e.count, 32767));
    putFlipped16(at + keySize + 4, 0);
  }
  return b;
}

}  // namespace torvelle::format
