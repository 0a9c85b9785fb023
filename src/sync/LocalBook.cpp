#include "sync/LocalBook.h"

#include <set>

#include "engine/DbError.h"
#include "engine/FieldNames.h"
#include "exchange/Books.h"
#include "exchange/Import.h"
#include "sync/SyncError.h"

namespace torvelle::sync {
namespace {

std::unique_ptr<format::TableFile> openWritable(const std::filesystem::path& path,
                                                const std::vector<std::string>& passwords) {
  format::OpenOptions options;
  options.writable = true;
  options.passwords = passwords;
  return format::TableFile::open(path, options);
}

const char* relativePath(SyncBook book) {
  switch (book) {
    case SyncBook::Phones:
      return "DB/Phones/Phones.db";
    case SyncBook::Tasks:
      return "DB/Tasks/Tasks.db";
    case SyncBook::Dates:
      return "DB/Dates/Dates.db";
  }
  return "";
}

}  // namespace

LocalBook::LocalBook(const std::filesystem::path& root, SyncBook book,
                     const std::vector<std::string>& passwords)
    : book_(book), records_(openWritable(tablePath(root, book), passwords)) {
  uidField_ = exchange::fieldIndex(records_->info(), engine::kIdentityField);
  if (uidField_ < 0) {
    throw SyncError(tablePath(root, book).string() +
                    ": the table has no UID field yet; open the data folder in the organizer "
                    "once so that it is upgraded");
  }
  if (book != SyncBook::Tasks) {
    const auto sections = exchange::sectionsTableOf(
        tablePath(root, book),
        book == SyncBook::Phones ? exchange::Book::Phones : exchange::Book::Dates);
    sections_ = openWritable(sections, passwords);
  }
}

LocalBook::~LocalBook() = default;

std::filesystem::path LocalBook::tablePath(const std::filesystem::path& root, SyncBook book) {
  return root / relativePath(book);
}

std::string LocalBook::uidOf(const format::Record& record) const {
  const auto* s = std::get_if<std::string>(&record[static_cast<std::size_t>(uidField_)]);
  return s ? *s : std::string();
}

format::Record LocalBook::keyOf(const format::Record& record) const {
  return {record.begin(), record.begin() + info().keyFieldCount};
}

std::vector<LocalItem> LocalBook::items() {
  std::vector<format::Record> records = records_->readAll();
  std::set<std::string> seen;
  std::vector<std::size_t> fresh;
  for (std::size_t i = 0; i < records.size(); ++i) {
    const std::string uid = uidOf(records[i]);
    if (uid.empty() || !seen.insert(uid).second) fresh.push_back(i);
  }
  if (!fresh.empty()) {
    records_->batch([&] {
      for (const std::size_t i : fresh) {
        const std::string uid = newUid();
        records[i][static_cast<std::size_t>(uidField_)] = uid;
        const auto [first, last] = records_->keyRange(keyOf(records[i]));
        if (first < last) records_->update(first, {{uidField_, uid}});
      }
    });
  }
  std::vector<LocalItem> out;
  out.reserve(records.size());
  keys_.clear();
  for (const auto& r : records) {
    const std::string uid = uidOf(r);
    keys_[uid] = keyOf(r);
    out.push_back({uid, fieldsOfRecord(book_, info(), r)});
  }
  return out;
}

void LocalBook::settle(format::Record& record, const std::string& uid) const {
  const int timeField = exchange::fieldIndex(info(), engine::kTimeField);
  const bool timeInKey = timeField >= 0 && timeField < info().keyFieldCount;
  const auto nameAt = static_cast<std::size_t>(exchange::fieldIndex(info(), engine::kNameField));
  const std::string name = timeInKey ? std::string() : std::get<std::string>(record[nameAt]);
  for (int n = 2; n < 100000; ++n) {
    const auto [first, last] = records_->keyRange(keyOf(record));
    if (first == last || uidOf(records_->read(first)) == uid) return;
    if (timeInKey) {
      auto& time = record[static_cast<std::size_t>(timeField)];
      const auto* t = std::get_if<format::Time>(&time);
      time = format::Time{t ? t->msec + 1000 : 0};
    } else {
      record[nameAt] = name + " (" + std::to_string(n) + ")";
    }
  }
}

void LocalBook::applyOne(const LocalChange& change, Applied& applied) {
  const auto key = keys_.find(change.uid);
  std::size_t ordinal = 0;
  format::Record record(info().fields.size());
  if (key != keys_.end()) {
    const auto [first, last] = records_->keyRange(key->second);
    if (first == last) return;
    ordinal = first;
    record = records_->read(ordinal);
  } else if (change.kind != LocalChange::Kind::Insert) {
    return;
  }
  if (change.kind == LocalChange::Kind::Remove) {
    records_->remove(ordinal);
    keys_.erase(change.uid);
    return;
  }
  record = recordWithFields(info(), record, change.fields);
  record[static_cast<std::size_t>(uidField_)] = change.uid;
  if (const auto reason = exchange::refusalReason(info(), record); !reason.empty()) {
    applied.refused.push_back(std::string(bookName(book_)) + " \"" +
                              fieldsOfRecord(book_, info(), record).begin()->second +
                              "\": " + reason);
    return;
  }
  settle(record, change.uid);
  if (key == keys_.end()) {
    records_->insert(record);
  } else {
    format::FieldChanges changes;
    for (std::size_t f = 0; f < record.size(); ++f)
      changes.emplace_back(static_cast<int>(f), record[f]);
    records_->update(ordinal, changes);
  }
  keys_[change.uid] = keyOf(record);
  applied.stored[change.uid] = fieldsOfRecord(book_, info(), record);
}

void LocalBook::addSections(const std::vector<LocalChange>& changes) {
  std::set<std::string> existing;
  for (const auto& r : sections_->readAll()) {
    if (const auto* s = std::get_if<std::string>(&r[0])) existing.insert(*s);
  }
  for (const auto& change : changes) {
    const auto it = change.fields.find(engine::kSectionField);
    if (it == change.fields.end() || it->second.empty() || existing.contains(it->second)) continue;
    format::Record section(sections_->info().fields.size());
    section[0] = it->second;
    try {
      sections_->insert(section);
    } catch (const engine::DbError& e) {
      // The key may see two spellings as one section: it is there.
      if (e.kind() != engine::DbError::Kind::KeyViolation) throw;
    }
    existing.insert(it->second);
  }
}

LocalBook::Applied LocalBook::apply(const std::vector<LocalChange>& changes) {
  Applied applied;
  if (changes.empty()) return applied;
  const auto work = [&] {
    for (const auto& change : changes) applyOne(change, applied);
  };
  if (sections_) {
    // The records' change runs inside the sections' one: both or neither.
    sections_->batch([&] {
      addSections(changes);
      records_->batch(work);
    });
  } else {
    records_->batch(work);
  }
  return applied;
}

}  // namespace torvelle::sync
