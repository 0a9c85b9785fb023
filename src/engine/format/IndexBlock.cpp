#include "engine/format/IndexBlock.h"

#include <algorithm>
#include <cstring>

#include "engine/DbError.h"

namespace torvelle::format {

Bytes serializeIndexNode(const BlockTree& tree, const BlockTree::Node& node, std::size_t blockSize,
                         std::size_t recordSize) {
  const auto keySize = recordSize - 6;
  if (6 + node.entries.size() * recordSize > blockSize)
    throw engine::DbError(engine::DbError::Kind::Corrupt,
                          "Table is corrupt: an index block overflows");
  Bytes b(blockSize);
  putU16(&b[0], node.pxNext);
  putU16(&b[2], node.pxPrev);
  setBlockCount(b, node.entries.size(), recordSize);
  std::size_t at = 6;
  for (const auto& e : node.entries) {
    std::memcpy(&b[at], e.key.data(), std::min(keySize, e.key.size()));
    putFlipped16(&b[at + keySize], node.leaf ? e.child : tree.node(e.child).pxBlock);
    // Counts above what a short holds are only sums on upper levels.
    putFlipped16(&b[at + keySize + 2], std::min<std::uint32_t>(e.count, 32767));
    putFlipped16(&b[at + keySize + 4], 0);
    at += recordSize;
  }
  return b;
}

}  // namespace torvelle::format
