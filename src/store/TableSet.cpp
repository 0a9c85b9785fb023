#include "store/TableSet.h"

#include <exception>

#include "engine/DbError.h"
#include "engine/ShippedTables.h"

namespace torvelle::store {

TTableSet::TTableSet(engine::Session& session, const std::filesystem::path& root)
    : TaskTable(session, "TaskTable"),
      PhoneSectionsTable(session, "PhoneSectionsTable"),
      PhonesTable(session, "PhonesTable"),
      DateSectionsTable(session, "DateSectionsTable"),
      DatesTable(session, "DatesTable"),
      LinkSectionsTable(session, "LinkSectionsTable"),
      LinksTable(session, "LinksTable"),
      TaskDataSource("TaskDataSource", &TaskTable),
      PhoneSectionsDataSource("PhoneSectionsDataSource", &PhoneSectionsTable),
      PhonesDataSource("PhonesDataSource", &PhonesTable),
      DateSectionsDataSource("DateSectionsDataSource", &DateSectionsTable),
      DatesDataSource("DatesDataSource", &DatesTable),
      LinkSectionsDataSource("LinkSectionsDataSource", &LinkSectionsTable),
      LinksDataSource("LinksDataSource", &LinksTable),
      openOrder_{&TaskTable,  &PhoneSectionsTable, &PhonesTable, &DateSectionsTable,
                 &DatesTable, &LinkSectionsTable,  &LinksTable},
      closeOrder_{&TaskTable,         &PhonesTable, &PhoneSectionsTable, &DatesTable,
                  &DateSectionsTable, &LinksTable,  &LinkSectionsTable},
      sources_{&TaskDataSource,         &PhoneSectionsDataSource, &PhonesDataSource,
               &DateSectionsDataSource, &DatesDataSource,         &LinkSectionsDataSource,
               &LinksDataSource} {
  for (const auto& layout : engine::shippedTables()) {
    TParadoxTable* t = table(layout.objectName);
    if (!t) continue;
    t->setTableName(root.empty() ? std::filesystem::path(layout.relativePath)
                                 : root / layout.relativePath);
    t->setIndexFieldNames(layout.indexFieldNames);
    if (!layout.masterObjectName.empty()) {
      t->setMasterFields(engine::kSectionField);
      t->setMasterSource(dataSource(layout.masterObjectName));
    }
  }
  // The task filter carries the view modes, so it is on from the start.
  TaskTable.setFiltered(true);
}

// The data sources go first (members in reverse order) and tell their
// detail tables to forget them, so nothing is posted or re-filtered here.
TTableSet::~TTableSet() = default;

TParadoxTable* TTableSet::table(std::string_view objectName) {
  for (TParadoxTable* t : openOrder_)
    if (t->objectName() == objectName) return t;
  return nullptr;
}

engine::DataSource* TTableSet::dataSource(std::string_view objectName) {
  for (std::size_t i = 0; i < openOrder_.size(); ++i)
    if (openOrder_[i]->objectName() == objectName) return sources_[i];
  return nullptr;
}

void TTableSet::OpenTables(const Progress& progress) {
  int done = 0;
  for (TParadoxTable* t : openOrder_) {
    t->open();
    if (progress) progress(++done);
  }
}

void TTableSet::PostAndCloseTables() {
  for (TParadoxTable* t : closeOrder_) {
    // Controls write their open editors first, so a half-typed value counts.
    if (t->isOpen()) t->checkBrowseMode();
    t->close();
  }
}

void TTableSet::PackTables() {
  for (TParadoxTable* t : openOrder_) t->Pack();
}

void TTableSet::SetNoPassword(bool noPassword) {
  for (TParadoxTable* t : openOrder_) t->NoPassword = noPassword;
}

void TTableSet::SetTablesPassword(const std::string& newPassword, const std::string& oldPassword,
                                  const Progress& progress) {
  std::size_t changed = 0;
  try {
    for (TParadoxTable* t : closeOrder_) {
      if (progress) progress(static_cast<int>(changed) + 1);
      t->SetPassword(newPassword);
      ++changed;
    }
  } catch (const std::exception& e) {
    std::string message = e.what();
    const auto kind = dynamic_cast<const engine::DbError*>(&e)
                          ? dynamic_cast<const engine::DbError&>(e).kind()
                          : engine::DbError::Kind::General;
    while (changed > 0) {
      TParadoxTable* t = closeOrder_[--changed];
      try {
        t->SetPassword(oldPassword);
      } catch (const std::exception& undo) {
        message += " The password of " + t->tableName().string() +
                   " could not be restored: " + undo.what();
      }
    }
    throw engine::DbError(kind, message);
  }
}

}  // namespace torvelle::store
