#include "engine/format/Journal.h"

#include <cstring>

#include "engine/DbError.h"

namespace torvelle::format {
namespace {

constexpr char kMagic[8] = {'T', 'V', 'J', 'O', 'U', 'R', 'N', '1'};
constexpr char kEnd[8] = {'T', 'V', 'J', 'E', 'N', 'D', '0', '1'};

// FNV-1a over 8-byte words: enough to tell a torn journal from a whole one,
// and cheap next to the writes it guards.
std::uint64_t checksum(const std::uint8_t* p, std::size_t n) {
  std::uint64_t h = 1469598103934665603ull;
  std::size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    std::uint64_t w;
    std::memcpy(&w, p + i, 8);
    h = (h ^ w) * 1099511628211ull;
  }
  for (; i < n; ++i) h = (h ^ p[i]) * 1099511628211ull;
  return h;
}

void put64(Bytes& out, std::uint64_t v) {
  for (int i = 0; i < 8; ++i) out.push_back(lowByte(v >> (8 * i)));
}
std::uint64_t get64(const std::uint8_t* p) {
  std::uint64_t v = 0;
  for (int i = 7; i >= 0; --i) v = (v << 8) | p[i];
  return v;
}

Bytes serialize(const JournalImage& image) {
  Bytes out(kMagic, kMagic + 8);
  for (const auto& s : image.sizes) put64(out, s ? *s : ~0ull);
  put64(out, image.regions.size());
  for (const auto& r : image.regions) {
    out.push_back(lowByte(r.file));
    put64(out, r.offset);
    put64(out, r.data.size());
    out.insert(out.end(), r.data.begin(), r.data.end());
  }
  put64(out, checksum(out.data(), out.size()));
  out.insert(out.end(), kEnd, kEnd + 8);
  return out;
}

void removeJournal(const std::filesystem::path& path) {
  removeFile(path);
  syncDirectory(path.parent_path());
}

}  // namespace

std::optional<JournalImage> readJournal(const std::filesystem::path& path) {
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) return std::nullopt;
  const File file(path, false);
  const auto size = file.size();
  if (size < 8 + 8 * kFileCount + 8 + 16) return std::nullopt;
  Bytes data(static_cast<std::size_t>(size));
  if (file.readAt(0, data.data(), data.size()) != data.size()) return std::nullopt;
  if (std::memcmp(data.data(), kMagic, 8) != 0 ||
      std::memcmp(data.data() + data.size() - 8, kEnd, 8) != 0)
    return std::nullopt;
  const std::size_t bodyEnd = data.size() - 16;
  if (get64(data.data() + bodyEnd) != checksum(data.data(), bodyEnd)) return std::nullopt;
  JournalImage image;
  std::size_t pos = 8;
  for (auto& s : image.sizes) {
    const auto v = get64(data.data() + pos);
    pos += 8;
    if (v != ~0ull) s = v;
  }
  const auto count = get64(data.data() + pos);
  pos += 8;
  for (std::uint64_t i = 0; i < count; ++i) {
    if (pos + 17 > bodyEnd) return std::nullopt;
    JournalImage::Region r;
    r.file = data[pos];
    r.offset = get64(data.data() + pos + 1);
    const auto len = get64(data.data() + pos + 9);
    pos += 17;
    if (r.file >= kFileCount || len > bodyEnd - pos) return std::nullopt;
    r.data.assign(data.data() + pos, data.data() + pos + len);
    pos += len;
    image.regions.push_back(std::move(r));
  }
  return image;
}

namespace {
void restore(const JournalImage& image, std::array<File*, kFileCount> files) {
  for (const auto& r : image.regions)
    if (files[r.file]) files[r.file]->writeAt(r.offset, r.data.data(), r.data.size());
  for (std::size_t f = 0; f < kFileCount; ++f) {
    auto* file = files[f];
    if (!file || !image.sizes[f]) continue;
    if (file->size() != *image.sizes[f]) file->truncate(*image.sizes[f]);
    file->sync();
  }
}
}  // namespace

void rollBack(const std::filesystem::path& journalPath, const JournalImage& image,
              std::array<File*, kFileCount> files) {
  restore(image, files);
  removeJournal(journalPath);
}

namespace {
// Only the bytes that really change are journaled and written: a block
// whose record count moved by one costs a few bytes, not a block. The old
// bytes go to `image`, whose sizes are those of the files before the change.
std::vector<PendingWrite> trimWrites(std::vector<PendingWrite> writes,
                                     const std::array<File*, kFileCount>& files,
                                     JournalImage& image) {
  std::vector<PendingWrite> trimmed;
  trimmed.reserve(writes.size());
  for (auto& w : writes) {
    const auto original = *image.sizes[w.file];
    if (w.offset >= original) {
      trimmed.push_back(std::move(w));
      continue;
    }
    const auto len =
        static_cast<std::size_t>(std::min<std::uint64_t>(w.data.size(), original - w.offset));
    Bytes old(len);
    old.resize(files[w.file]->readAt(w.offset, old.data(), len));
    std::size_t lo = 0, hi = old.size();
    while (lo < hi && old[lo] == w.data[lo]) ++lo;
    while (hi > lo && old[hi - 1] == w.data[hi - 1]) --hi;
    if (old.size() < w.data.size()) hi = w.data.size();  // the part past the old end is new
    if (lo == hi) continue;
    if (lo < old.size())
      image.regions.push_back(
          {w.file, w.offset + lo, Bytes(old.data() + lo, old.data() + std::min(hi, old.size()))});
    trimmed.push_back({w.file, w.offset + lo, Bytes(w.data.data() + lo, w.data.data() + hi)});
  }
  return trimmed;
}

void resizeFiles(const std::array<File*, kFileCount>& files,
                 const std::array<std::optional<std::uint64_t>, kFileCount>& newSizes) {
  for (std::size_t f = 0; f < kFileCount; ++f) {
    const auto& size = newSizes[f];
    if (size && files[f]->size() != *size) files[f]->truncate(*size);
  }
}
}  // namespace

void commitWrites(File& journal, std::array<File*, kFileCount> files,
                  std::vector<PendingWrite> writes,
                  const std::array<std::optional<std::uint64_t>, kFileCount>& newSizes,
                  const CommitOptions& options) {
  const auto hook = [&](std::string_view stage) {
    if (options.hook) options.hook(stage);
  };
  JournalImage image;
  std::array<bool, kFileCount> touched{};
  for (const auto& w : writes) touched[w.file] = true;
  for (std::size_t f = 0; f < kFileCount; ++f) {
    if (newSizes[f]) touched[f] = true;
    if (touched[f]) image.sizes[f] = files[f]->size();
  }
  const auto trimmed = trimWrites(std::move(writes), files, image);
  {
    const Bytes data = serialize(image);
    journal.writeAt(0, data.data(), data.size());
    if (options.sync) journal.sync();
  }
  hook("journal");
  try {
    for (const auto& w : trimmed) {
      files[w.file]->writeAt(w.offset, w.data.data(), w.data.size());
      hook("write");
    }
    resizeFiles(files, newSizes);
    if (options.sync)
      for (std::size_t f = 0; f < kFileCount; ++f)
        if (touched[f]) files[f]->sync();
    hook("synced");
  } catch (...) {
    try {
      restore(image, files);
      journal.truncate(0);
      if (options.sync) journal.sync();
    } catch (...) {
      // The journal stays; the next open puts the old bytes back.
    }
    throw;
  }
  journal.truncate(0);
  if (options.sync) journal.sync();
}

}  // namespace torvelle::format
