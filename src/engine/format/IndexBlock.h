#pragma once
#include "engine/format/BlockTree.h"
#include "engine/format/Bytes.h"

namespace torvelle::format {

// One node of the tree as a .PX block: next, previous, size, then per entry
// the key bytes, the child block, the record count and a zero word.
Bytes serializeIndexNode(const BlockTree& tree, const BlockTree::Node& node, std::size_t blockSize,
                         std::size_t recordSize);

}  // namespace torvelle::format
