// A detail table following the current record of its master.
#include "ContactsFixture.h"
#include "engine/DataSource.h"

namespace torvelle::testing {
namespace {

class MasterLinkTest : public ContactsTest {
 protected:
  void SetUp() override {
    ContactsTest::SetUp();
    makeTable(dir / "Sections.db", {alpha("Section")}, 1,
              {{text("Family")}, {text("Friends")}, {text("Work")}});
    sections = std::make_unique<engine::Table>(session);
    sections->setTableName(dir / "Sections.db");
    sections->setIndexFieldNames("Section");
    source = std::make_unique<engine::DataSource>("SectionsSource", sections.get());
    sections->open();
    table->setMasterFields("Section");
    table->setMasterSource(source.get());
    table->open();
  }
  void TearDown() override { table->setMasterSource(nullptr); }

  std::unique_ptr<engine::Table> sections;
  std::unique_ptr<engine::DataSource> source;
};

TEST_F(MasterLinkTest, TheDetailShowsTheRowsOfTheMastersCurrentSection) {
  EXPECT_EQ(visibleNames(), (Names{"Anna", "Boris"}));
  EXPECT_EQ(table->recordCount(), 2u);
  sections->next();  // Friends: no records
  EXPECT_EQ(table->rowCount(), 0u);
  EXPECT_TRUE(table->eof());
  sections->next();
  EXPECT_EQ(visibleNames(), (Names{"Carl", "Dora", "Emil"}));
  EXPECT_EQ(table->currentRow(), 0u);
}

TEST_F(MasterLinkTest, ANewDetailRowGetsTheSectionBeforeTheHookRuns) {
  sections->last();  // Work
  std::string seen;
  table->events().newRecord = [&](engine::Table& t) {
    seen = t.fieldText("Section");
    t.setField("Phone", text("000"));
  };
  table->insert();
  EXPECT_EQ(seen, "Work");
  EXPECT_FALSE(table->modified());  // defaults alone are no change
  table->setField("Name", text("Fred"));
  table->post();
  EXPECT_EQ(visibleNames(), (Names{"Carl", "Dora", "Emil", "Fred"}));
  const auto disk = readBack(path);
  ASSERT_EQ(disk.size(), 6u);
  EXPECT_EQ(disk.back(), (format::Record{text("Work"), text("Fred"), text("000")}));
}

TEST_F(MasterLinkTest, CuttingTheLinkShowsAllRowsAndKeepsTheCurrentOne) {
  table->next();  // Boris
  table->setMasterSource(nullptr);
  EXPECT_EQ(table->rowCount(), 5u);
  EXPECT_EQ(table->fieldText("Name"), "Boris");
  sections->last();  // no longer followed
  EXPECT_EQ(table->rowCount(), 5u);
  table->setMasterSource(source.get());
  EXPECT_EQ(visibleNames(), (Names{"Carl", "Dora", "Emil"}));
  EXPECT_EQ(table->currentRow(), 0u);
}

TEST_F(MasterLinkTest, APostedRecordOfAnotherSectionLeavesTheDetail) {
  table->edit();  // Anna
  table->setField("Section", text("Work"));
  table->post();
  EXPECT_EQ(visibleNames(), (Names{"Boris"}));
  EXPECT_EQ(table->fieldText("Name"), "Boris");
  sections->last();
  EXPECT_EQ(visibleNames(), (Names{"Anna", "Carl", "Dora", "Emil"}));
}

TEST_F(MasterLinkTest, MovingTheMasterEndsAPendingDetailEdit) {
  table->edit();
  table->setField("Phone", text("777"));
  sections->next();
  EXPECT_EQ(table->state(), engine::TableState::Browse);
  EXPECT_EQ(std::get<std::string>(readBack(path)[0][2]), "777");
}

TEST_F(MasterLinkTest, RenamingTheMasterFollowsWithTheNewName) {
  sections->edit();
  sections->setField("Section", text("Kin"));
  EXPECT_EQ(table->rowCount(), 0u);  // no records of "Kin" yet
  sections->post();
  EXPECT_EQ(sections->fieldText("Section"), "Kin");
  EXPECT_EQ(table->rowCount(), 0u);
  sections->first();
  EXPECT_EQ(sections->fieldText("Section"), "Friends");
}

TEST_F(MasterLinkTest, AClosedOrEmptyMasterShowsNothing) {
  sections->close();
  EXPECT_EQ(table->rowCount(), 0u);
  sections->open();
  EXPECT_EQ(visibleNames(), (Names{"Anna", "Boris"}));
}

}  // namespace
}  // namespace torvelle::testing
