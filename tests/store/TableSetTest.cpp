// The seven tables: layout, open order, post-and-close order, one password.
#include <fstream>

#include "TableFixture.h"
#include "engine/Session.h"
#include "engine/ShippedTables.h"
#include "store/TableSet.h"

namespace torvelle::testing {
namespace {

using engine::DbError;
using store::TParadoxTable;

// Logs "close <object>" and "post <object>" as the tables report them.
struct OrderLog : engine::TableObserver {
  std::vector<std::string> log;
  std::string name(engine::Table& t) const { return static_cast<TParadoxTable&>(t).objectName(); }
  void stateChanged(engine::Table& t) override {
    if (t.state() == engine::TableState::Inactive) log.push_back("close " + name(t));
  }
};

class TableSetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    engine::createShippedTables(dir.path());
    const auto phones = dir / "DB/Phones/";
    format::OpenOptions w;
    w.writable = true;
    w.sync = false;
    {
      auto s = format::TableFile::open(phones / "PhoneSections.db", w);
      s->insert({text("Family")});
      s->insert({text("Work")});
      auto p = format::TableFile::open(phones / "Phones.db", w);
      format::Record r(12);
      r[0] = text("Work"), r[1] = text("Carl");
      p->insert(r);
      r[0] = text("Family"), r[1] = text("Anna");
      p->insert(r);
    }
    tables = std::make_unique<store::TTableSet>(session, dir.path());
  }
  TempDir dir;
  engine::Session session;
  std::unique_ptr<store::TTableSet> tables;
};

TEST_F(TableSetTest, OpensMastersBeforeDetailsWithTheirLinks) {
  std::vector<int> progress;
  tables->OpenTables([&](int n) { progress.push_back(n); });
  EXPECT_EQ(progress, (std::vector<int>{1, 2, 3, 4, 5, 6, 7}));
  for (const auto* t : tables->openOrder()) EXPECT_TRUE(t->isOpen()) << t->objectName();
  EXPECT_EQ(tables->PhonesTable.masterSource(), &tables->PhoneSectionsDataSource);
  EXPECT_EQ(tables->DatesTable.masterSource(), &tables->DateSectionsDataSource);
  EXPECT_EQ(tables->LinksTable.indexFieldNames(), "Section;Link");
  EXPECT_TRUE(tables->TaskTable.filtered());
  EXPECT_EQ(tables->PhoneSectionsTable.firstFieldText(), "Family");
  EXPECT_EQ(tables->PhonesTable.rowCount(), 1u);
  EXPECT_EQ(tables->PhonesTable.fieldText("Name"), "Anna");
  tables->PhoneSectionsTable.next();
  EXPECT_EQ(tables->PhonesTable.fieldText("Name"), "Carl");
}

TEST_F(TableSetTest, PathsAreRelativeToTheCurrentDirectory) {
  const auto previous = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  store::TTableSet relative(session);
  EXPECT_EQ(relative.PhonesTable.tableName(), std::filesystem::path("DB/Phones/Phones.db"));
  EXPECT_NO_THROW(relative.OpenTables());
  EXPECT_EQ(relative.PhoneSectionsTable.recordCount(), 2u);
  relative.PostAndCloseTables();
  std::filesystem::current_path(previous);
}

TEST_F(TableSetTest, AFailedOpenLeavesTheEarlierTablesOpenAndTheLaterClosed) {
  const auto dates = dir / "DB/Dates/Dates.db";
  std::filesystem::remove(dates);
  std::ofstream(dates) << "not a table\n";
  try {
    tables->OpenTables();
    FAIL();
  } catch (const DbError& e) {
    EXPECT_STREQ(e.what(), "Not a Paradox table");
  }
  const auto& order = tables->openOrder();
  for (std::size_t i = 0; i < order.size(); ++i)
    EXPECT_EQ(order[i]->isOpen(), i < 4) << order[i]->objectName();
}

TEST_F(TableSetTest, PostAndCloseGoesDetailFirstAndDropsUnchangedRecords) {
  tables->OpenTables();
  OrderLog log;
  for (auto* t : tables->openOrder()) t->addObserver(&log);
  tables->PhonesTable.edit();
  tables->PhonesTable.setField("HomePhone", text("12345"));
  tables->TaskTable.insert();  // nothing typed
  tables->LinkSectionsTable.append();
  tables->LinkSectionsTable.setField("Section", text("News"));
  tables->PostAndCloseTables();
  for (auto* t : tables->openOrder()) t->removeObserver(&log);
  std::vector<std::string> expected;
  for (const auto* t : tables->closeOrder()) expected.push_back("close " + t->objectName());
  EXPECT_EQ(log.log, expected);
  EXPECT_EQ(std::get<std::string>(readBack(dir / "DB/Phones/Phones.db")[0][2]), "12345");
  EXPECT_TRUE(readBack(dir / "DB/Tasks/Tasks.db").empty());
  EXPECT_EQ(readBack(dir / "DB/Links/LinkSections.db").size(), 1u);
}

TEST_F(TableSetTest, OnePasswordForAllSevenAndAFailureIsUndone) {
  tables->OpenTables();
  session.addPassword("first");
  tables->SetTablesPassword("first", "");
  for (const auto& layout : engine::shippedTables())
    EXPECT_TRUE(format::TableFile::isProtected(dir / layout.relativePath)) << layout.objectName;

  // Another writer holds the last table of the sequence: it cannot change.
  tables->LinkSectionsTable.close();
  format::OpenOptions holder;
  holder.writable = true;
  holder.passwords = {"first"};
  auto held = format::TableFile::open(dir / "DB/Links/LinkSections.db", holder);
  session.addPassword("second");
  std::vector<int> progress;
  EXPECT_THROW(tables->SetTablesPassword("second", "first", [&](int n) { progress.push_back(n); }),
               DbError);
  EXPECT_EQ(progress.back(), 7);
  held.reset();
  for (const auto& layout : engine::shippedTables()) {
    format::OpenOptions firstOnly;
    firstOnly.passwords = {"first"};
    EXPECT_NO_THROW(format::TableFile::open(dir / layout.relativePath, firstOnly))
        << layout.objectName;
  }
  EXPECT_TRUE(tables->PhonesTable.isOpen());
  EXPECT_FALSE(tables->TaskTable.NoPassword);
}

}  // namespace
}  // namespace torvelle::testing
