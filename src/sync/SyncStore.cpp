#include "sync/SyncStore.h"

#include "engine/DbError.h"

namespace torvelle::sync {
namespace {

using format::FieldDef;
using format::FieldType;

// Item texts and our fields are kept as bytes: a server's text may hold
// characters no code page does.
const std::vector<FieldDef>& itemFields() {
  static const std::vector<FieldDef> fields = {
      {"Book", FieldType::Alpha, 10},  {"UID", FieldType::Alpha, 64},
      {"Href", FieldType::Alpha, 255}, {"ETag", FieldType::Alpha, 255},
      {"Hash", FieldType::Alpha, 16},  {"Fields", FieldType::Binary, 10},
      {"Item", FieldType::Binary, 10}};
  return fields;
}

const std::vector<FieldDef>& collectionFields() {
  static const std::vector<FieldDef> fields = {{"Book", FieldType::Alpha, 10},
                                               {"Url", FieldType::Alpha, 255},
                                               {"Token", FieldType::Alpha, 255},
                                               {"CTag", FieldType::Alpha, 255}};
  return fields;
}

std::string text(const format::Value& v) {
  if (const auto* s = std::get_if<std::string>(&v)) return *s;
  if (const auto* b = std::get_if<format::Binary>(&v)) return b->bytes;
  return {};
}

format::Value alpha(const std::string& s) {
  if (s.empty()) return std::monostate{};
  return s;
}

std::unique_ptr<format::TableFile> openOrCreate(const std::filesystem::path& path,
                                                const std::vector<FieldDef>& fields, int keys,
                                                const std::vector<std::string>& passwords,
                                                bool protect) {
  if (!std::filesystem::exists(path)) {
    std::filesystem::create_directories(path.parent_path());
    std::filesystem::permissions(path.parent_path(), std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::replace);
    format::TableFile::create(path, fields, keys, 1251,
                              protect && !passwords.empty() ? passwords.front() : std::string());
  }
  format::OpenOptions options;
  options.writable = true;
  options.passwords = passwords;
  return format::TableFile::open(path, options);
}

format::Record itemRecord(SyncBook book, const ItemState& s) {
  return {bookName(book),
          s.uid,
          s.href,
          alpha(s.etag),
          fieldsHash(s.localBase),
          format::Binary{packFields(s.localBase)},
          format::Binary{s.item}};
}

void removeKey(format::TableFile& table, const format::Record& key) {
  const auto [first, last] = table.keyRange(key);
  if (first < last) table.remove(first);
}

}  // namespace

SyncStore::SyncStore(const std::filesystem::path& root, const std::vector<std::string>& passwords,
                     bool protect)
    : items_(openOrCreate(folder(root) / "SyncItems.db", itemFields(), 2, passwords, protect)),
      collections_(openOrCreate(folder(root) / "SyncCollections.db", collectionFields(), 1,
                                passwords, protect)) {}

SyncStore::~SyncStore() = default;

std::filesystem::path SyncStore::folder(const std::filesystem::path& root) {
  return root / "DB" / "Sync";
}

std::map<std::string, ItemState> SyncStore::items(SyncBook book) const {
  std::map<std::string, ItemState> out;
  const auto [first, last] = items_->keyRange({std::string(bookName(book))});
  for (std::size_t i = first; i < last; ++i) {
    const auto r = items_->read(i);
    ItemState s{text(r[1]), text(r[2]), text(r[3]), unpackFields(text(r[5])), text(r[6])};
    out.emplace(s.uid, std::move(s));
  }
  return out;
}

std::optional<CollectionState> SyncStore::collection(SyncBook book) const {
  const auto [first, last] = collections_->keyRange({std::string(bookName(book))});
  if (first == last) return std::nullopt;
  const auto r = collections_->read(first);
  return CollectionState{text(r[1]), text(r[2]), text(r[3])};
}

void SyncStore::commit(SyncBook book,
                       const std::map<std::string, std::optional<ItemState>>& changes,
                       const std::optional<CollectionState>& collection) {
  const std::string name = bookName(book);
  items_->batch([&] {
    for (const auto& [uid, state] : changes) {
      removeKey(*items_, {name, uid});
      if (state) items_->insert(itemRecord(book, *state));
    }
  });
  if (!collection) return;
  collections_->batch([&] {
    removeKey(*collections_, {name});
    collections_->insert(
        {name, alpha(collection->url), alpha(collection->token), alpha(collection->ctag)});
  });
}

void SyncStore::forget(SyncBook book) {
  const std::string name = bookName(book);
  items_->batch([&] {
    const auto [first, last] = items_->keyRange({name});
    std::vector<std::size_t> ordinals;
    for (std::size_t i = first; i < last; ++i) ordinals.push_back(i);
    if (!ordinals.empty()) items_->removeMany(ordinals);
  });
  collections_->batch([&] { removeKey(*collections_, {name}); });
}

}  // namespace torvelle::sync
