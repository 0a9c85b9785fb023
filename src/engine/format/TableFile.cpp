#include "engine/format/TableFile.h"

#include <algorithm>

#include "engine/DbError.h"
#include "engine/format/Crypto.h"
#include "engine/format/FieldCodec.h"
#include "engine/format/FileIo.h"
#include "engine/format/KeyOrder.h"
#include "engine/format/ParadoxTable.h"
#include "engine/format/Rebuild.h"
#include "engine/format/TableWriter.h"

namespace torvelle::format {

using engine::DbError;

void settle(const std::filesystem::path& dbPath) {
  try {
    finishReplace(dbPath);
  } catch (const DbError&) {
  }
}

FreshTable copyOf(const ParadoxTable& table) {
  const auto& h = table.header();
  FreshTable fresh;
  fresh.header = h;
  fresh.checkValue = h.checkValue;
  fresh.records = table.rawRecords();
  fresh.blobs.resize(fresh.records.size());
  for (std::size_t r = 0; r < fresh.records.size(); ++r)
    for (std::size_t f = 0; f < h.fields.size(); ++f)
      if (codec::isBlob(h.fields[f].type)) {
        Bytes stored = table.storedBlob(fresh.records[r], static_cast<int>(f));
        if (!stored.empty()) fresh.blobs[r].emplace_back(static_cast<int>(f), std::move(stored));
      }
  fresh.mbHeader = table.mbHeaderPage();
  fresh.pxBlockSize = table.pxBlockSize();
  return fresh;
}

void sortByKey(FreshTable& fresh) {
  const auto& h = fresh.header;
  if (h.keyFields == 0) return;
  std::vector<std::size_t> order(fresh.records.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  const auto ks = h.keySize();
  const KeyOrder keyOrder = KeyOrder::of(h);
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    return keyOrder.compare(fresh.records[a].data(), fresh.records[b].data(), ks) < 0;
  });
  FreshTable sorted = fresh;
  for (std::size_t i = 0; i < order.size(); ++i) {
    sorted.records[i] = fresh.records[order[i]];
    sorted.blobs[i] = fresh.blobs[order[i]];
  }
  fresh = std::move(sorted);
}

namespace {

// Stages the fresh files of an open table and returns its path. The caller
// lets the table go (its files close, its lock ends) before finishReplace
// renames them: Windows cannot rename over an open file. An opener in between
// finishes the recorded renames itself.
std::filesystem::path stageReplacement(const ParadoxTable& table, FreshTable fresh, bool sync) {
  stageFreshTable({table.dbPath(), table.pxPath(), table.mbPath()}, std::move(fresh), sync);
  return table.dbPath();
}

OpenOptions writableCopy(const OpenOptions& options) {
  OpenOptions writable = options;
  writable.writable = true;
  return writable;
}

void rebuild(const std::filesystem::path& dbPath, const OpenOptions& options,
             std::optional<std::string> newPassword) {
  settle(dbPath);
  std::filesystem::path staged;
  {
    const ParadoxTable table(dbPath, writableCopy(options));
    FreshTable fresh = copyOf(table);
    if (newPassword) {
      fresh.checkValue = newPassword->empty()
                             ? 0
                             : crypto::checkValue(codec::toTableText(
                                   *newPassword, fresh.header.codePage, "password"));
    }
    sortByKey(fresh);
    staged = stageReplacement(table, std::move(fresh), options.sync);
  }
  finishReplace(staged);
}

// Old records keep their bytes: appended fields leave every earlier offset
// where it was.
void widenRecords(FreshTable& fresh, const DbHeader& wider, std::size_t firstAdded,
                  const TableFile::InitialValue& initial) {
  for (std::size_t r = 0; r < fresh.records.size(); ++r) {
    Bytes record(wider.recordSize, 0);
    std::copy(fresh.records[r].begin(), fresh.records[r].end(), record.begin());
    for (std::size_t f = firstAdded; f < wider.fields.size(); ++f) {
      const Value value = initial ? initial(f, r) : Value{};
      codec::encode(wider.fields[f], value, record.data() + wider.offsets[f], wider.codePage);
    }
    fresh.records[r] = std::move(record);
  }
}

}  // namespace

void TableFile::appendFields(const std::filesystem::path& dbPath, const OpenOptions& options,
                             const std::vector<FieldDef>& added, const InitialValue& initial) {
  settle(dbPath);
  std::filesystem::path staged;
  {
    const ParadoxTable table(dbPath, writableCopy(options));
    FreshTable fresh = copyOf(table);
    const DbHeader& old = table.header();
    std::vector<FieldDef> fields = old.fields;
    fields.insert(fields.end(), added.begin(), added.end());
    // The table keeps its sort order, whichever program gave it.
    const SortOrder sort{old.sortOrder, old.sortName};
    fresh.header =
        makeDbHeader(fields, static_cast<int>(old.keyFields), old.codePage,
                     table.dbPath().filename().string(), old.hasDataHeader() ? &sort : nullptr);
    widenRecords(fresh, fresh.header, old.fields.size(), initial);
    sortByKey(fresh);
    staged = stageReplacement(table, std::move(fresh), options.sync);
  }
  finishReplace(staged);
}

std::vector<FieldDef> TableFile::declaredFields(const std::filesystem::path& dbPath) {
  settle(dbPath);
  const File file(dbPath, false);
  const auto readHead = [&](std::size_t want) {
    Bytes bytes(static_cast<std::size_t>(std::min<std::uint64_t>(file.size(), want)));
    bytes.resize(file.readAt(0, bytes.data(), bytes.size()));
    return bytes;
  };
  Bytes head = readHead(4096);
  const std::size_t needed = headerBytesNeeded(head);
  if (needed > head.size()) head = readHead(needed);
  return parseDbHeader(head, file.size()).fields;
}

std::string TableFile::readRaw(std::size_t) const {
  throw DbError(DbError::Kind::General, "Raw records are not available for this table");
}

void TableFile::batch(const std::function<void()>& work) {
  work();
}

std::unique_ptr<TableFile> TableFile::open(const std::filesystem::path& dbPath,
                                           const OpenOptions& options) {
  settle(dbPath);
  return std::make_unique<ParadoxTable>(dbPath, options);
}

void TableFile::create(const std::filesystem::path& dbPath, const std::vector<FieldDef>& fields,
                       int keyFieldCount, int codePage, const std::string& password) {
  FreshTable fresh;
  fresh.header = makeDbHeader(fields, keyFieldCount, codePage, dbPath.filename().string());
  if (!password.empty())
    fresh.checkValue = crypto::checkValue(codec::toTableText(password, codePage, "password"));
  const std::size_t entry = indexEntrySize(fresh.header.keySize());
  fresh.pxBlockSize = pxBlockSizeFor(fresh.header.keySize());
  if (entry * 3 > fresh.pxBlockSize)
    throw DbError(DbError::Kind::InvalidValue, "The key is too long");
  // A table that exists and is open for writing must not be replaced.
  std::error_code ec;
  std::optional<File> lock;
  if (std::filesystem::exists(dbPath, ec)) {
    lock.emplace(dbPath, true);
    if (!lock->tryLock())
      throw DbError(DbError::Kind::Busy, "Table is busy: " + dbPath.filename().string());
  }
  TablePaths paths{dbPath, companionPath(dbPath, ".PX", nullptr),
                   companionPath(dbPath, ".MB", nullptr)};
  std::filesystem::remove(dbPath.string() + "-journal", ec);
  stageFreshTable(paths, std::move(fresh), true);
  // The recorded renames are finished by whoever opens the table next, if
  // not by us: the lock can go first.
  lock.reset();
  finishReplace(dbPath);
}

bool TableFile::isProtected(const std::filesystem::path& dbPath) {
  OpenOptions probe;
  try {
    ParadoxTable t(dbPath, probe);
    return false;
  } catch (const DbError& e) {
    if (e.kind() == DbError::Kind::PasswordNeeded) return true;
    throw;
  }
}

std::uint32_t TableFile::passwordCheckValue(const std::string& password) {
  return crypto::checkValue(password);
}

void TableFile::pack(const std::filesystem::path& dbPath, const OpenOptions& options) {
  rebuild(dbPath, options, std::nullopt);
}

void TableFile::setPassword(const std::filesystem::path& dbPath, const OpenOptions& options,
                            const std::string& newPassword) {
  rebuild(dbPath, options, newPassword);
}

std::string TableFile::keyOrderNote(const std::filesystem::path& dbPath,
                                    const OpenOptions& options) {
  settle(dbPath);
  OpenOptions readOnly = options;
  readOnly.writable = false;
  return ParadoxTable(dbPath, readOnly).keyOrderNote();
}

std::vector<std::string> TableFile::check(const std::filesystem::path& dbPath,
                                          const OpenOptions& options) {
  settle(dbPath);
  OpenOptions readOnly = options;
  readOnly.writable = false;
  try {
    const ParadoxTable table(dbPath, readOnly);
    return table.problems();
  } catch (const DbError& e) {
    if (e.kind() == DbError::Kind::Corrupt || e.kind() == DbError::Kind::NotParadox)
      return {e.what()};
    throw;
  }
}

}  // namespace torvelle::format
