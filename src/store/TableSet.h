#pragma once
#include <array>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include "engine/DataSource.h"
#include "store/ParadoxTable.h"

namespace torvelle::engine {
class Session;
}

namespace torvelle::store {

// The seven tables of the organizer with their data sources, index orders
// and master links, and the operations that treat them as one database.
// The notebooks fill in the tables' event hooks.
class TTableSet {
 public:
  // Table paths are relative to `root`; empty means the current directory.
  explicit TTableSet(engine::Session& session, const std::filesystem::path& root = {});
  ~TTableSet();
  TTableSet(const TTableSet&) = delete;
  TTableSet& operator=(const TTableSet&) = delete;

  TParadoxTable TaskTable;
  TParadoxTable PhoneSectionsTable;
  TParadoxTable PhonesTable;
  TParadoxTable DateSectionsTable;
  TParadoxTable DatesTable;
  TParadoxTable LinkSectionsTable;
  TParadoxTable LinksTable;

  engine::DataSource TaskDataSource;
  engine::DataSource PhoneSectionsDataSource;
  engine::DataSource PhonesDataSource;
  engine::DataSource DateSectionsDataSource;
  engine::DataSource DatesDataSource;
  engine::DataSource LinkSectionsDataSource;
  engine::DataSource LinksDataSource;

  using Progress = std::function<void(int done)>;

  // Masters before their details. A failure leaves the tables before it
  // open and the ones after it closed; `progress` hears after each table.
  void OpenTables(const Progress& progress = {});
  // Each detail before its master: the bound controls write their editors,
  // a modified record is posted, then the table closes. A
  // failure to post stops there, with that table and the ones after it open.
  void PostAndCloseTables();
  // Packs every table, keeping each one's open state.
  void PackTables();
  // Gives all seven the new password (empty removes it), in the order of
  // the change-password dialog; `progress` hears before each table. When one
  // fails, the tables already changed get `oldPassword` back and the error
  // is thrown on, so the seven never end under different passwords. The
  // session must hold both passwords.
  void SetTablesPassword(const std::string& newPassword, const std::string& oldPassword,
                         const Progress& progress = {});
  void SetNoPassword(bool noPassword);

  const std::array<TParadoxTable*, 7>& openOrder() const { return openOrder_; }
  const std::array<TParadoxTable*, 7>& closeOrder() const { return closeOrder_; }
  const std::array<TParadoxTable*, 7>& passwordOrder() const { return closeOrder_; }
  TParadoxTable* table(std::string_view objectName);
  engine::DataSource* dataSource(std::string_view objectName);

 private:
  std::array<TParadoxTable*, 7> openOrder_;
  std::array<TParadoxTable*, 7> closeOrder_;
  std::array<engine::DataSource*, 7> sources_;
};

}  // namespace torvelle::store
