// An older folder's tables gain the identity and repeat fields once, after a
// backup, with every designed value and the password kept.
#include <gtest/gtest.h>

#include <set>

#include "BackupFixture.h"
#include "backup/BackupFolder.h"
#include "backup/Upgrade.h"
#include "engine/DbError.h"
#include "engine/RecordIdentity.h"
#include "engine/Session.h"
#include "support/Uuid.h"

namespace torvelle::backup::test {
namespace {

// The seven tables as earlier versions made them: designed fields only.
void makeOlderTables(const fs::path& root, int tasks) {
  for (const auto& t : engine::shippedTables()) {
    fs::create_directories((root / t.relativePath).parent_path());
    const std::vector<format::FieldDef> designed(
        t.fields.begin(), t.fields.begin() + static_cast<std::ptrdiff_t>(t.designedFieldCount));
    format::TableFile::create(root / t.relativePath, designed, t.keyFieldCount);
  }
  format::OpenOptions options;
  options.writable = true;
  options.sync = false;
  const auto table = format::TableFile::open(tasksPath(root), options);
  for (int n = 0; n < tasks; ++n) table->insert(taskRecord(n));
}

TEST(UpgradeTest, OlderProtectedFolderGainsFieldsOnceAfterABackup) {
  const TempDir dir;
  makeOlderTables(dir.path(), 120);
  protectTables(dir.path(), "Sesame");
  engine::Session session;
  int asked = 0;
  session.setPasswordRequest([&](engine::Session& s) {
    s.addPassword("Sesame");
    return ++asked < 3;
  });

  const auto outcome = upgradeTables(dir.path(), session);
  EXPECT_EQ(outcome.upgraded, (std::vector<std::string>{"DB/Tasks/Tasks.db", "DB/Phones/Phones.db",
                                                        "DB/Dates/Dates.db"}));
  EXPECT_EQ(asked, 1);
  const auto backups = listBackups(backupFolder(dir.path()));
  ASSERT_EQ(backups.size(), 1u);
  EXPECT_TRUE(backups.front().sealed);
  EXPECT_TRUE(tablesToUpgrade(dir.path()).empty());

  format::OpenOptions options;
  options.passwords = {"Sesame"};
  const auto table = format::TableFile::open(tasksPath(dir.path()), options);
  const auto& shipped = engine::shippedTables().front();
  ASSERT_EQ(table->info().fields.size(), shipped.fields.size());
  std::set<std::string> identities;
  const auto records = table->readAll();
  ASSERT_EQ(records.size(), 120u);
  for (std::size_t n = 0; n < records.size(); ++n) {
    const auto expected = taskRecord(static_cast<int>(n));
    for (std::size_t f = 0; f < expected.size(); ++f) EXPECT_EQ(records[n][f], expected[f]);
    const std::string uid = engine::identityOf(table->info().fields, records[n]);
    EXPECT_TRUE(support::isUuid(uid)) << uid;
    identities.insert(uid);
  }
  EXPECT_EQ(identities.size(), records.size());
  EXPECT_TRUE(format::TableFile::check(tasksPath(dir.path()), options).empty());

  // Once done, opening again neither restructures nor backs up.
  EXPECT_TRUE(upgradeTables(dir.path(), session).upgraded.empty());
  EXPECT_EQ(listBackups(backupFolder(dir.path())).size(), 1u);
}

TEST(UpgradeTest, RefusedPasswordLeavesEveryTableAndNoBackup) {
  const TempDir dir;
  makeOlderTables(dir.path(), 5);
  protectTables(dir.path(), "Sesame");
  const auto before = tableFiles(dir.path());
  engine::Session session;
  session.setPasswordRequest([](engine::Session&) { return false; });
  EXPECT_THROW(upgradeTables(dir.path(), session), engine::DbError);
  EXPECT_EQ(tableFiles(dir.path()), before);
  EXPECT_TRUE(listBackups(backupFolder(dir.path())).empty());
}

}  // namespace
}  // namespace torvelle::backup::test
