#include "engine/format/TableWriter.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <sstream>

#include "engine/DbError.h"
#include "engine/format/BlockTree.h"
#include "engine/format/Crypto.h"
#include "engine/format/DataBlock.h"
#include "engine/format/FieldCodec.h"
#include "engine/format/FileIo.h"
#include "engine/format/IndexBlock.h"
#include "engine/format/MemoAllocator.h"

namespace torvelle::format {
namespace {

constexpr std::size_t kMbBlock = memo::kBlock;
constexpr std::string_view kDone = "END";

std::filesystem::path intentPath(const std::filesystem::path& db) {
  return db.string() + "-replace";
}

void writeWhole(const std::filesystem::path& path, const Bytes& data, bool sync) {
  File f(path, true, true);
  f.writeAt(0, data.data(), data.size());
  if (sync) f.sync();
}

// Values are laid out as the original engine does: up to 2048 bytes share
// sub-allocated blocks, larger ones get blocks of their own.
Bytes buildMb(FreshTable& t) {
  Bytes mb = t.mbHeader.size() == kMbBlock ? t.mbHeader : freshMbHeader();
  std::size_t sub = 0;
  std::size_t nextChunk = 0, freeEntries = 0;
  for (std::size_t r = 0; r < t.records.size(); ++r) {
    for (const auto& [field, stored] : t.blobs[r]) {
      const auto f = static_cast<std::size_t>(field);
      auto* data = &t.records[r][t.header.offsets[f]];
      const std::size_t leader = blobLeader(t.header.fields[f]);
      std::uint32_t locator = 0;
      if (stored.size() > memo::kSubLimit || t.header.fields[f].type == FieldType::Graphic) {
        const std::size_t units = (9 + stored.size() + kMbBlock - 1) / kMbBlock;
        const std::size_t offset = mb.size();
        if (offset + units * kMbBlock > 0xFFFFF000ull)
          throw engine::DbError(engine::DbError::Kind::InvalidValue,
                                "The memo file of the table is full");
        mb.resize(offset + units * kMbBlock);
        mb[offset] = memo::kBigBlock;
        putU16(&mb[offset + 1], units);
        putU32(&mb[offset + 3], stored.size());
        putU16(&mb[offset + 7], 1);
        std::copy(stored.begin(), stored.end(), mb.data() + offset + 9);
        locator = memo::locator(offset, 0xFF);
      } else {
        const std::size_t chunks = (stored.size() + 15) / 16;
        if (freeEntries == 0 || nextChunk + chunks > 256) {
          sub = mb.size();
          mb.resize(sub + kMbBlock);
          mb[sub] = memo::kSubBlock;
          putU16(&mb[sub + 1], 1);
          nextChunk = memo::kFirstChunk;
          freeEntries = memo::kEntries;
        }
        // Entries are used from the last one down.
        const std::size_t entry = --freeEntries;
        SubEntry(&mb[sub], entry).set(nextChunk, stored.size());
        std::copy(stored.begin(), stored.end(), mb.data() + sub + nextChunk * 16);
        locator = memo::locator(sub, entry);
        nextChunk += chunks;
      }
      std::memcpy(data, stored.data(), std::min(leader, stored.size()));
      putU32(data + leader, locator);
      putU32(data + leader + 4, stored.size());
      putU16(data + leader + 8, 1);
    }
  }
  if (t.checkValue) crypto::encryptBlob(mb.data(), mb.size(), t.checkValue);
  return mb;
}

Bytes buildPx(const FreshTable& t, const std::vector<BlockTree::Entry>& blocks) {
  PxHeader ph = makePxHeader(t.header, t.pxBlockSize);
  putU32(&ph.raw[hdr::kEncryption1], t.checkValue);
  BlockTree tree(recordsPerBlock(ph.blockSize, ph.recordSize));
  tree.build(blocks);
  const auto order = tree.nodesInOrder();
  BlockNo n = 0;
  if (!blocks.empty())
    for (const auto id : order) {
      auto& node = tree.node(id);
      node.pxBlock = ++n;
      node.pxPrev = n - 1;
      node.pxNext = n < order.size() ? n + 1 : 0;
    }
  const std::uint32_t entries =
      blocks.empty() ? 0 : static_cast<std::uint32_t>(blocks.size() + order.size() - 1);
  ph.setShape(entries, n, n ? 1 : 0, n, 1, tree.levels());
  Bytes out = ph.raw;
  for (BlockNo i = 0; i < n; ++i) {
    Bytes b = serializeIndexNode(tree, tree.node(order[i]), ph.blockSize, ph.recordSize);
    if (t.checkValue) crypto::encryptBlock(b.data(), b.size(), t.checkValue, i + 1);
    out.insert(out.end(), b.begin(), b.end());
  }
  return out;
}

}  // namespace

Bytes freshMbHeader() {
  Bytes h(kMbBlock);
  const std::uint8_t head[] = {0,    1,    0,    1,    0,    0x82, 0x73, 0x02, 0x00, 0x29, 0x00,
                               0x00, 0x10, 0x00, 0x10, 0x00, 0x10, 0x40, 0x00, 0x00, 0x08};
  std::copy(std::begin(head), std::end(head), h.begin());
  return h;
}

void stageFreshTable(const TablePaths& paths, FreshTable t, bool sync) {
  auto& h = t.header;
  const bool hasBlobs = std::any_of(h.fields.begin(), h.fields.end(),
                                    [](const FieldDef& f) { return codec::isBlob(f.type); });
  const bool keyed = h.keyFields > 0;
  if (t.blobs.size() < t.records.size()) t.blobs.resize(t.records.size());
  const Bytes mb = hasBlobs ? buildMb(t) : Bytes{};

  const auto rs = h.recordSize;
  const std::size_t perBlock = recordsPerBlock(h.blockSize, rs);
  const std::size_t blocksNeeded = (t.records.size() + perBlock - 1) / perBlock;
  if (blocksNeeded > 65535)
    throw engine::DbError(engine::DbError::Kind::Io,
                          "Table is full: it needs more than 65535 blocks");
  const auto m = static_cast<BlockNo>(blocksNeeded);
  h.setNumRecords(t.records.size());
  h.setBlocks(m, m, m ? 1 : 0, m);
  h.setFirstFree(0);
  h.setCheckValue(t.checkValue);
  h.touch();
  Bytes db = h.raw;
  db.reserve(db.size() + m * h.blockSize);
  std::vector<BlockTree::Entry> blocks;
  for (BlockNo k = 0; k < m; ++k) {
    Bytes b(h.blockSize);
    const std::size_t firstRec = k * perBlock;
    const std::size_t count = std::min(perBlock, t.records.size() - firstRec);
    const DataBlock block(b, rs);
    block.link(k, k + 1 < m ? k + 2 : 0);
    block.setCount(count);
    for (std::size_t i = 0; i < count; ++i) {
      const Bytes& rec = t.records[firstRec + i];
      std::copy(rec.begin(), rec.end(), block.record(i));
    }
    if (keyed)
      blocks.push_back({block.key(0, h.keySize()), static_cast<std::uint32_t>(count), k + 1});
    if (t.checkValue) crypto::encryptBlock(b.data(), b.size(), t.checkValue, k + 1);
    db.insert(db.end(), b.begin(), b.end());
  }

  // New files first, then one recorded step that renames them all.
  std::vector<std::pair<std::filesystem::path, std::filesystem::path>> moves;
  const auto stage = [&](const std::filesystem::path& final, const Bytes& data) {
    const std::filesystem::path tmp = final.string() + ".tvnew";
    writeWhole(tmp, data, sync);
    moves.emplace_back(tmp, final);
  };
  stage(paths.db, db);
  if (keyed) stage(paths.px, buildPx(t, blocks));
  if (hasBlobs) stage(paths.mb, mb);
  std::vector<std::filesystem::path> removals;
  std::error_code ec;
  if (!keyed && std::filesystem::exists(paths.px, ec)) removals.push_back(paths.px);
  if (!hasBlobs && std::filesystem::exists(paths.mb, ec)) removals.push_back(paths.mb);

  const auto dir = paths.db.parent_path();
  std::ostringstream intent;
  for (const auto& [tmp, final] : moves)
    intent << "M\n" << tmp.string() << '\n' << final.string() << '\n';
  for (const auto& r : removals) intent << "D\n" << r.string() << '\n';
  intent << kDone << '\n';
  const std::string text = intent.str();
  writeWhole(intentPath(paths.db), Bytes(text.begin(), text.end()), sync);
  if (sync) syncDirectory(dir);
}

void finishReplace(const std::filesystem::path& dbPath) {
  const auto path = intentPath(dbPath);
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) return;
  std::vector<std::string> lines;
  {
    // Closed before the file is removed, which Windows refuses while it is open.
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
  }
  const bool complete = !lines.empty() && lines.back() == kDone;
  for (std::size_t i = 0; i + 1 < lines.size();) {
    if (lines[i] == "M" && i + 2 < lines.size()) {
      const std::filesystem::path tmp = lines[i + 1], final = lines[i + 2];
      if (complete) {
        if (std::filesystem::exists(tmp, ec)) renameFile(tmp, final);
      } else {
        std::filesystem::remove(tmp, ec);
      }
      i += 3;
    } else if (lines[i] == "D") {
      if (complete) std::filesystem::remove(lines[i + 1], ec);
      i += 2;
    } else {
      break;
    }
  }
  syncDirectory(dbPath.parent_path());
  removeFile(path);
  syncDirectory(dbPath.parent_path());
}

}  // namespace torvelle::format
