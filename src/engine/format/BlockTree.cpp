#include "engine/format/BlockTree.h"

#include <algorithm>

namespace torvelle::format {
namespace {

// Where entry `index` is, to insert or erase there.
auto entryAt(std::vector<BlockTree::Entry>& entries, std::size_t index) {
  return entries.begin() + static_cast<std::ptrdiff_t>(index);
}

// A record count changed by `delta`; counts never go below zero.
std::uint32_t adjusted(std::uint32_t count, std::int64_t delta) {
  return static_cast<std::uint32_t>(count + delta);
}

}  // namespace

std::uint32_t BlockTree::nextId() const {
  return static_cast<std::uint32_t>(nodes_.size());
}

BlockTree::Entry BlockTree::entryFor(std::uint32_t id) const {
  // Record counts are 32-bit, as the table header's total is.
  return Entry{nodes_[id].entries.front().key, static_cast<std::uint32_t>(sum(id)), id};
}

std::uint32_t BlockTree::newNode(bool leaf) {
  std::uint32_t id;
  if (!freeNodes_.empty()) {
    id = freeNodes_.back();
    freeNodes_.pop_back();
    nodes_[id] = Node{};
  } else {
    id = nextId();
    nodes_.emplace_back();
  }
  nodes_[id].leaf = leaf;
  markDirty(id);
  return id;
}

std::uint32_t BlockTree::addNode(Node node) {
  const auto id = nextId();
  nodes_.push_back(std::move(node));
  return id;
}

void BlockTree::recountBlocks() {
  blocks_ = 0;
  for (const auto id : nodesInOrder())
    if (nodes_[id].leaf) blocks_ += nodes_[id].entries.size();
}

void BlockTree::markDirty(std::uint32_t id) {
  if (!nodes_[id].dirty) {
    nodes_[id].dirty = true;
    dirty_.push_back(id);
  }
}

std::vector<std::uint32_t> BlockTree::takeDirty() {
  std::vector<std::uint32_t> out;
  out.swap(dirty_);
  for (const auto id : out) nodes_[id].dirty = false;
  return out;
}

void BlockTree::build(std::vector<Entry> blocks) {
  nodes_.clear();
  freeNodes_.clear();
  dirty_.clear();
  orphaned_ = false;
  blocks_ = blocks.size();
  std::vector<Entry> level = std::move(blocks);
  bool leaf = true;
  for (;;) {
    if (level.size() <= capacity_) {
      root_ = newNode(leaf);
      for (const auto& e : level)
        if (!leaf) nodes_[e.child].parent = root_;
      nodes_[root_].entries = std::move(level);
      return;
    }
    std::vector<Entry> up;
    for (std::size_t i = 0; i < level.size(); i += capacity_) {
      const auto id = newNode(leaf);
      const auto end = std::min(level.size(), i + capacity_);
      Entry parentEntry{level[i].key, 0, id};
      for (std::size_t j = i; j < end; ++j) {
        parentEntry.count += level[j].count;
        if (!leaf) nodes_[level[j].child].parent = id;
        nodes_[id].entries.push_back(std::move(level[j]));
      }
      up.push_back(std::move(parentEntry));
    }
    level = std::move(up);
    leaf = false;
  }
}

std::uint64_t BlockTree::sum(std::uint32_t id) const {
  std::uint64_t s = 0;
  for (const auto& e : nodes_[id].entries) s += e.count;
  return s;
}

std::uint64_t BlockTree::total() const {
  return root_ == kNone ? 0 : sum(root_);
}

int BlockTree::levels() const {
  if (root_ == kNone || nodes_[root_].entries.empty()) return 0;
  int n = 1;
  for (auto id = root_; !nodes_[id].leaf; id = nodes_[id].entries.front().child) ++n;
  return n;
}

BlockTree::Pos BlockTree::findOrdinal(std::uint64_t ordinal) const {
  std::uint64_t before = 0;
  auto id = root_;
  while (id != kNone) {
    const auto& n = nodes_[id];
    std::size_t i = 0;
    for (; i < n.entries.size(); ++i) {
      if (ordinal < before + n.entries[i].count) break;
      before += n.entries[i].count;
    }
    if (i == n.entries.size()) return {};
    if (n.leaf) return {id, i, before};
    id = n.entries[i].child;
  }
  return {};
}

BlockTree::Pos BlockTree::findKey(std::string_view key, const KeyOrder& order, bool prefix) const {
  const auto above = [&](std::string_view first) {
    if (prefix && first.size() >= key.size())
      return order.compare(reinterpret_cast<const std::uint8_t*>(first.data()),
                           reinterpret_cast<const std::uint8_t*>(key.data()), key.size()) > 0;
    return order.compare(first, key) > 0;
  };
  std::uint64_t before = 0;
  auto id = root_;
  while (id != kNone) {
    const auto& n = nodes_[id];
    if (n.entries.empty()) return {};
    // The last entry whose key is not above `key` (the first when all are);
    // keys rise along a node, so a binary search finds it.
    std::size_t lo = 1, hi = n.entries.size();
    while (lo < hi) {
      const std::size_t mid = lo + (hi - lo) / 2;
      if (above(n.entries[mid].key))
        hi = mid;
      else
        lo = mid + 1;
    }
    const std::size_t i = lo - 1;
    for (std::size_t j = 0; j < i; ++j) before += n.entries[j].count;
    if (n.leaf) return {id, i, before};
    id = n.entries[i].child;
  }
  return {};
}

BlockTree::Pos BlockTree::leftmost(std::uint32_t id, std::uint64_t before) const {
  while (!nodes_[id].leaf) {
    if (nodes_[id].entries.empty()) return {};
    id = nodes_[id].entries.front().child;
  }
  if (nodes_[id].entries.empty()) return {};
  return {id, 0, before};
}

BlockTree::Pos BlockTree::first() const {
  return root_ == kNone ? Pos{} : leftmost(root_, 0);
}

BlockTree::Pos BlockTree::last() const {
  if (root_ == kNone) return {};
  auto id = root_;
  std::uint64_t before = 0;
  for (;;) {
    const auto& n = nodes_[id];
    if (n.entries.empty()) return {};
    for (std::size_t j = 0; j + 1 < n.entries.size(); ++j) before += n.entries[j].count;
    if (n.leaf) return {id, n.entries.size() - 1, before};
    id = n.entries.back().child;
  }
}

std::size_t BlockTree::indexInParent(std::uint32_t id) const {
  const auto& p = nodes_[nodes_[id].parent];
  for (std::size_t i = 0; i < p.entries.size(); ++i)
    if (p.entries[i].child == id) return i;
  return 0;
}

BlockTree::Pos BlockTree::next(const Pos& pos) const {
  const auto before = pos.before + at(pos).count;
  if (pos.index + 1 < nodes_[pos.node].entries.size()) return {pos.node, pos.index + 1, before};
  auto id = pos.node;
  while (nodes_[id].parent != kNone) {
    const auto parent = nodes_[id].parent;
    const auto i = indexInParent(id);
    if (i + 1 < nodes_[parent].entries.size())
      return leftmost(nodes_[parent].entries[i + 1].child, before);
    id = parent;
  }
  return {};
}

void BlockTree::propagate(std::uint32_t id, std::int64_t delta, bool keyChanged) {
  while (nodes_[id].parent != kNone) {
    const auto parent = nodes_[id].parent;
    auto& e = nodes_[parent].entries[indexInParent(id)];
    e.count = adjusted(e.count, delta);
    const bool wasFirst =
        keyChanged && !nodes_[id].entries.empty() && &e == &nodes_[parent].entries.front();
    if (keyChanged && !nodes_[id].entries.empty()) e.key = nodes_[id].entries.front().key;
    markDirty(parent);
    keyChanged = wasFirst;
    id = parent;
  }
}

void BlockTree::addCount(const Pos& pos, int delta) {
  auto& e = nodes_[pos.node].entries[pos.index];
  e.count = adjusted(e.count, delta);
  markDirty(pos.node);
  propagate(pos.node, delta, false);
}

void BlockTree::setKey(const Pos& pos, const std::string& key) {
  nodes_[pos.node].entries[pos.index].key = key;
  markDirty(pos.node);
  if (pos.index == 0) propagate(pos.node, 0, true);
}

void BlockTree::insertAt(std::uint32_t leaf, std::size_t index, Entry entry) {
  const auto count = entry.count;
  auto& n = nodes_[leaf];
  n.entries.insert(entryAt(n.entries, index), std::move(entry));
  ++blocks_;
  markDirty(leaf);
  propagate(leaf, count, index == 0);
  if (nodes_[leaf].entries.size() > capacity_) split(leaf);
}

void BlockTree::split(std::uint32_t id) {
  if (id == root_) {
    // The root keeps its node (and its index block); its halves move down.
    const auto left = newNode(nodes_[id].leaf);
    const auto right = newNode(nodes_[id].leaf);
    auto entries = std::move(nodes_[id].entries);
    const auto half = entries.size() / 2;
    nodes_[left].entries.assign(std::make_move_iterator(entries.begin()),
                                std::make_move_iterator(entryAt(entries, half)));
    nodes_[right].entries.assign(std::make_move_iterator(entryAt(entries, half)),
                                 std::make_move_iterator(entries.end()));
    for (const auto child : {left, right}) {
      nodes_[child].parent = id;
      if (!nodes_[child].leaf)
        for (const auto& e : nodes_[child].entries) nodes_[e.child].parent = child;
    }
    auto& root = nodes_[id];
    root.leaf = false;
    root.entries = {entryFor(left), entryFor(right)};
    markDirty(id);
    return;
  }
  const auto right = newNode(nodes_[id].leaf);
  auto& n = nodes_[id];
  const auto half = n.entries.size() / 2;
  nodes_[right].entries.assign(std::make_move_iterator(entryAt(n.entries, half)),
                               std::make_move_iterator(n.entries.end()));
  nodes_[id].entries.resize(half);
  markDirty(id);
  if (!nodes_[right].leaf)
    for (const auto& e : nodes_[right].entries) nodes_[e.child].parent = right;
  const auto parent = nodes_[id].parent;
  nodes_[right].parent = parent;
  const auto i = indexInParent(id);
  auto& pe = nodes_[parent].entries;
  pe[i].count = entryFor(id).count;
  pe.insert(entryAt(pe, i + 1), entryFor(right));
  markDirty(parent);
  if (nodes_[parent].entries.size() > capacity_) split(parent);
}

void BlockTree::erase(const Pos& pos) {
  auto id = pos.node;
  auto index = pos.index;
  bool leafLevel = true;
  for (;;) {
    auto& n = nodes_[id];
    const auto count = n.entries[index].count;
    n.entries.erase(entryAt(n.entries, index));
    if (leafLevel) --blocks_;
    markDirty(id);
    if (!n.entries.empty() || id == root_) {
      if (id == root_ && n.entries.empty()) n.leaf = true;
      propagate(id, -static_cast<std::int64_t>(count), index == 0);
      return;
    }
    // An emptied node leaves the tree; its index block is no longer used.
    const auto parent = n.parent;
    const auto i = indexInParent(id);
    nodes_[id] = Node{};
    freeNodes_.push_back(id);
    orphaned_ = true;
    id = parent;
    index = i;
    leafLevel = false;
  }
}

std::vector<std::uint32_t> BlockTree::nodesInOrder() const {
  std::vector<std::uint32_t> out;
  if (root_ == kNone) return out;
  out.push_back(root_);
  for (std::size_t i = 0; i < out.size(); ++i)
    if (!nodes_[out[i]].leaf)
      for (const auto& e : nodes_[out[i]].entries) out.push_back(e.child);
  return out;
}

}  // namespace torvelle::format
