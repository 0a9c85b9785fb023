// Changes to many records at once, the end-of-edit events and key search.
#include "ContactsFixture.h"

namespace torvelle::testing {
namespace {

using engine::DbError;

struct ResetCounter : engine::TableObserver {
  int resets = 0;
  void tableReset(engine::Table&) override { ++resets; }
};

class BulkChangeTest : public ContactsTest {
 protected:
  void SetUp() override {
    ContactsTest::SetUp();
    table->open();
    table->addObserver(&counter);
  }
  void TearDown() override { table->removeObserver(&counter); }

  std::vector<std::string> sections() const {
    std::vector<std::string> out;
    for (const auto& r : readBack(path)) out.push_back(std::get<std::string>(r[0]));
    return out;
  }
  ResetCounter counter;
};

TEST_F(BulkChangeTest, RenamingASectionMovesItsRecordsInOneStep) {
  table->moveTo(3);  // Work;Dora
  const auto work = table->bookmarksWithKey({text("Work")});
  ASSERT_EQ(work.size(), 3u);
  EXPECT_TRUE(table->bookmarksWithKey({text("Nobody")}).empty());
  table->updateRecords(work, {{0, text("Aunts")}});
  EXPECT_EQ(sections(), (Names{"Aunts", "Aunts", "Aunts", "Family", "Family"}));
  EXPECT_EQ(visibleNames(), (Names{"Carl", "Dora", "Emil", "Anna", "Boris"}));
  EXPECT_EQ(counter.resets, 1);
  EXPECT_EQ(table->fieldText("Name"), "Dora");  // still current, at its new place
  EXPECT_EQ(table->bookmarksWithKey({text("Aunts"), text("Emil")}).size(), 1u);
  // Bookmarks follow their records.
  table->gotoBookmark(work[0]);
  EXPECT_EQ(table->fieldText("Section"), "Aunts");
}

TEST_F(BulkChangeTest, AKeyViolationAmongTheChangedRecordsChangesNothing) {
  const auto before = readBack(path);
  const auto work = table->bookmarksWithKey({text("Work")});
  try {
    table->updateRecords(work, {{1, text("Same")}});
    FAIL() << "two records with one key were accepted";
  } catch (const DbError& e) {
    EXPECT_EQ(e.kind(), DbError::Kind::KeyViolation);
  }
  EXPECT_EQ(readBack(path), before);
  EXPECT_EQ(visibleNames(), (Names{"Anna", "Boris", "Carl", "Dora", "Emil"}));
  // The table is still usable: a sound cascade goes through afterwards.
  table->updateRecords(work, {{2, text("999")}});
  EXPECT_EQ(std::get<std::string>(readBack(path)[4][2]), "999");
}

TEST_F(BulkChangeTest, RemovingRecordsKeepsTheRestAndTheirBookmarks) {
  table->moveTo(1);  // Family;Boris
  const engine::Bookmark boris = table->bookmark();
  table->removeRecords(table->bookmarksWithKey({text("Work")}));
  EXPECT_EQ(sections(), (Names{"Family", "Family"}));
  EXPECT_EQ(visibleNames(), (Names{"Anna", "Boris"}));
  EXPECT_EQ(table->rowOfBookmark(boris), 1u);
  EXPECT_EQ(table->fieldText("Name"), "Boris");
  EXPECT_THROW(table->updateRecords({engine::Bookmark{}}, {{2, text("1")}}), DbError);
}

TEST_F(BulkChangeTest, ManyInsertsThroughTheOpenFileLandAsOneChangeOrNotAtAll) {
  table->moveTo(3);  // Work;Dora
  table->edit();
  table->setField("Phone", text("4444"));  // pending: posted before the change
  const auto insert = [](format::TableFile& file, const std::vector<const char*>& names) {
    for (const char* name : names) file.insert({text("Home"), text(name), text("9")});
  };
  table->batchChange([&](format::TableFile& file) { insert(file, {"Gus", "Fay"}); });
  EXPECT_EQ(counter.resets, 1);
  EXPECT_EQ(table->state(), engine::TableState::Browse);
  EXPECT_EQ(visibleNames(), (Names{"Anna", "Boris", "Fay", "Gus", "Carl", "Dora", "Emil"}));
  EXPECT_EQ(table->fieldText("Name"), "Dora");
  EXPECT_EQ(table->fieldText("Phone"), "4444");
  EXPECT_EQ(readBack(path).size(), 7u);

  // A taken key halfway: neither the file nor the rows keep the first insert.
  const auto before = readBack(path);
  EXPECT_THROW(table->batchChange([&](format::TableFile& file) {
    insert(file, {"Hal", "Gus"});
  }),
               DbError);
  // A trial sees its own inserts and keeps none of them.
  std::size_t seen = 0;
  table->trialChange([&](format::TableFile& file) {
    insert(file, {"Ida"});
    seen = file.recordCount();
  });
  EXPECT_EQ(seen, 8u);
  EXPECT_EQ(readBack(path), before);
  EXPECT_EQ(table->rowCount(), 7u);
  engine::Table fresh(session);
  table->close();
  fresh.setTableName(path);
  fresh.open();
  EXPECT_EQ(fresh.recordCount(), 7u);
}

TEST_F(BulkChangeTest, TheEndOfAnEditIsHeard) {
  std::vector<std::string> heard;
  table->events().afterPost = [&](engine::Table& t) {
    heard.push_back(t.lastPostInserted() ? "inserted" : "edited");
  };
  table->events().afterCancel = [&](engine::Table&) { heard.push_back("cancelled"); };
  table->edit();
  table->setField("Phone", text("1"));
  table->post();
  table->append();
  table->setField("Name", text("Fred"));
  table->post();
  table->edit();
  table->cancel();
  table->edit();
  table->next();  // an unmodified edit ends by an implied cancel
  table->insert();
  table->close();
  EXPECT_EQ(heard, (Names{"edited", "inserted", "cancelled", "cancelled", "cancelled"}));
}

TEST_F(BulkChangeTest, FindKeyUsesTheLeadingFieldInAnyOrder) {
  EXPECT_TRUE(table->findKey(text("Work")));
  EXPECT_EQ(table->fieldText("Name"), "Carl");
  EXPECT_FALSE(table->findKey(text("Wor")));
  EXPECT_EQ(table->fieldText("Name"), "Carl");
  table->setIndexFieldNames("Phone");  // an order the engine keeps itself
  EXPECT_TRUE(table->findKey(text("222")));
  EXPECT_EQ(table->fieldText("Name"), "Boris");
  EXPECT_EQ(table->bookmarksWithKey({text("555")}).size(), 1u);
}

}  // namespace
}  // namespace torvelle::testing
