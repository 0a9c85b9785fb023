#pragma once
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "engine/format/TableFile.h"
#include "sync/Reconcile.h"

// One synced book's tables in a data folder, seen as items by identity, and
// the plan's local changes written to them as one change per table.
namespace torvelle::sync {

class LocalBook {
 public:
  LocalBook(const std::filesystem::path& root, SyncBook book,
            const std::vector<std::string>& passwords);
  ~LocalBook();

  static std::filesystem::path tablePath(const std::filesystem::path& root, SyncBook book);

  SyncBook book() const { return book_; }
  const format::TableInfo& info() const { return records_->info(); }

  // The records as items. A record without an identity, or sharing one with
  // a record before it, gets a new one first (one change of the table).
  std::vector<LocalItem> items();

  struct Applied {
    std::map<std::string, FieldMap> stored;  // uid -> what the record now holds
    std::vector<std::string> refused;        // changes the table cannot hold
  };
  // A key another record holds moves on (a time by a second, a name by a
  // number) so that both are kept.
  Applied apply(const std::vector<LocalChange>& changes);

 private:
  std::string uidOf(const format::Record& record) const;
  format::Record keyOf(const format::Record& record) const;
  void settle(format::Record& record, const std::string& uid) const;
  void applyOne(const LocalChange& change, Applied& applied);
  void addSections(const std::vector<LocalChange>& changes);

  SyncBook book_;
  int uidField_ = -1;
  std::unique_ptr<format::TableFile> records_;
  std::unique_ptr<format::TableFile> sections_;
  std::map<std::string, format::Record> keys_;  // uid -> the record's key now
};

}  // namespace torvelle::sync
