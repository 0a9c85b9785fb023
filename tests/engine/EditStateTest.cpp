// Browse, edit and insert states, the events and what observers hear.
#include <stdexcept>

#include "ContactsFixture.h"

namespace torvelle::testing {
namespace {

using engine::DbError;
using engine::TableState;

// Records the notifications, one short line each.
struct Recorder : engine::TableObserver {
  std::vector<std::string> log;
  void tableReset(engine::Table&) override { log.push_back("reset"); }
  void rowsInserted(engine::Table&, std::size_t f, std::size_t n) override {
    log.push_back("ins " + std::to_string(f) + "+" + std::to_string(n));
  }
  void rowsRemoved(engine::Table&, std::size_t f, std::size_t n) override {
    log.push_back("rem " + std::to_string(f) + "+" + std::to_string(n));
  }
  void rowChanged(engine::Table&, std::size_t r) override {
    log.push_back("row " + std::to_string(r));
  }
  bool has(const std::string& entry) const {
    return std::find(log.begin(), log.end(), entry) != log.end();
  }
};

class EditStateTest : public ContactsTest {
 protected:
  void SetUp() override {
    ContactsTest::SetUp();
    table->open();
    table->addObserver(&recorder);
  }
  void TearDown() override { table->removeObserver(&recorder); }
  Recorder recorder;
};

TEST_F(EditStateTest, PostWritesTheChangeAndUpdatesOneRow) {
  table->moveTo(2);  // Carl
  table->edit();
  EXPECT_EQ(table->state(), TableState::Edit);
  EXPECT_FALSE(table->modified());
  table->setField("phone", text("3333"));  // names ignore letter case
  EXPECT_TRUE(table->modified());
  EXPECT_EQ(table->row(2).text(2), "3333");  // the grid shows the pending value
  recorder.log.clear();
  table->post();
  EXPECT_EQ(table->state(), TableState::Browse);
  EXPECT_EQ(recorder.log, (std::vector<std::string>{"row 2"}));
  EXPECT_EQ(std::get<std::string>(readBack(path)[2][2]), "3333");
}

TEST_F(EditStateTest, AChangedKeyMovesTheRowAndTheCursorFollows) {
  table->edit();  // Family;Anna
  table->setField("Name", text("Zoe"));
  recorder.log.clear();
  table->post();
  EXPECT_EQ(visibleNames(), (Names{"Boris", "Zoe", "Carl", "Dora", "Emil"}));
  EXPECT_EQ(table->currentRow(), 1u);
  EXPECT_EQ(recorder.log, (std::vector<std::string>{"rem 0+1", "ins 1+1"}));
  EXPECT_EQ(std::get<std::string>(readBack(path)[1][1]), "Zoe");
}

TEST_F(EditStateTest, CancelRestoresTheRecord) {
  table->edit();
  table->setField("Phone", text("000"));
  table->cancel();
  EXPECT_EQ(table->fieldText("Phone"), "111");
  EXPECT_EQ(std::get<std::string>(readBack(path)[0][2]), "111");
}

TEST_F(EditStateTest, InsertShowsAPendingRowThatPostPlacesInKeyOrder) {
  table->moveTo(3);  // Dora
  table->insert();
  EXPECT_TRUE(recorder.has("ins 3+1"));
  EXPECT_EQ(table->rowCount(), 6u);
  EXPECT_EQ(table->currentRow(), 3u);
  table->setField("Section", text("Family"));
  table->setField("Name", text("Bella"));
  table->post();
  EXPECT_EQ(visibleNames(), (Names{"Anna", "Bella", "Boris", "Carl", "Dora", "Emil"}));
  EXPECT_EQ(table->fieldText("Name"), "Bella");
  EXPECT_EQ(readBack(path).size(), 6u);
}

TEST_F(EditStateTest, CancelledInsertReturnsToThePreviousRow) {
  table->moveTo(1);
  table->append();
  EXPECT_EQ(table->currentRow(), 5u);
  table->cancel();
  EXPECT_EQ(table->rowCount(), 5u);
  EXPECT_EQ(table->fieldText("Name"), "Boris");
}

TEST_F(EditStateTest, AKeyViolationLeavesTheRecordToBeMended) {
  table->insert();
  table->setField("Section", text("Work"));
  table->setField("Name", text("Carl"));
  try {
    table->post();
    FAIL() << "duplicate key posted";
  } catch (const DbError& e) {
    EXPECT_EQ(e.kind(), DbError::Kind::KeyViolation);
  }
  EXPECT_EQ(table->state(), TableState::Insert);
  EXPECT_EQ(table->fieldText("Name"), "Carl");
  table->setField("Name", text("Carla"));
  table->post();
  EXPECT_EQ(readBack(path).size(), 6u);
  EXPECT_EQ(table->fieldText("Name"), "Carla");
}

TEST_F(EditStateTest, MovingPostsAModifiedRecordAndDropsAnUnmodifiedInsert) {
  table->edit();
  table->setField("Phone", text("1"));
  table->next();
  EXPECT_EQ(std::get<std::string>(readBack(path)[0][2]), "1");
  EXPECT_EQ(table->fieldText("Name"), "Boris");
  table->events().newRecord = [](engine::Table& t) { t.setField("Phone", text("default")); };
  table->insert();
  table->first();
  EXPECT_EQ(table->rowCount(), 5u);
  EXPECT_EQ(readBack(path).size(), 5u);
}

TEST_F(EditStateTest, EventsRunAndAnExceptionStopsTheOperation) {
  std::vector<std::string> events;
  table->events().beforeEdit = [&](engine::Table&) { events.push_back("beforeEdit"); };
  table->events().afterPost = [&](engine::Table& t) {
    events.push_back("afterPost " + t.fieldText("Name"));
  };
  table->events().beforeDelete = [&](engine::Table& t) {
    events.push_back("beforeDelete " + t.fieldText("Name"));
    if (t.fieldText("Name") == "Anna") throw std::runtime_error("kept");
  };
  table->edit();
  table->setField("Phone", text("5"));
  table->post();
  EXPECT_THROW(table->remove(), std::runtime_error);
  EXPECT_EQ(readBack(path).size(), 5u);
  table->next();
  table->remove();
  EXPECT_EQ(events, (std::vector<std::string>{"beforeEdit", "afterPost Anna", "beforeDelete Anna",
                                              "beforeDelete Boris"}));
  EXPECT_EQ(visibleNames(), (Names{"Anna", "Carl", "Dora", "Emil"}));
  EXPECT_EQ(table->fieldText("Name"), "Carl");

  table->events().beforeEdit = [](engine::Table&) { throw std::runtime_error("no"); };
  EXPECT_THROW(table->edit(), std::runtime_error);
  EXPECT_EQ(table->state(), TableState::Browse);
}

TEST_F(EditStateTest, DeletingTheLastRowAndEditingAnEmptyTable) {
  table->last();
  table->remove();
  EXPECT_EQ(table->fieldText("Name"), "Dora");
  while (table->rowCount() > 0) table->remove();
  EXPECT_TRUE(table->eof());
  EXPECT_THROW(table->remove(), DbError);
  EXPECT_EQ(table->fieldText("Name"), "");  // no record: every field is null
  table->edit();                            // an empty table starts a new record
  EXPECT_EQ(table->state(), TableState::Insert);
  EXPECT_TRUE(readBack(path).empty());
}

TEST_F(EditStateTest, WritingOutsideEditOrInvalidValuesIsRefused) {
  EXPECT_THROW(table->setField("Phone", text("1")), DbError);
  table->edit();
  EXPECT_THROW(table->setField("Phone", text("123456789012345678901")), DbError);  // 21 > 20
  EXPECT_THROW(table->setField("Phone", true), DbError);
  EXPECT_THROW(table->setField("Nope", text("x")), DbError);
  EXPECT_FALSE(table->modified());
}

TEST_F(EditStateTest, CloseDropsAPendingRecord) {
  table->edit();
  table->setField("Phone", text("lost"));
  table->close();
  EXPECT_EQ(std::get<std::string>(readBack(path)[0][2]), "111");
  EXPECT_TRUE(recorder.has("reset"));
}

}  // namespace
}  // namespace torvelle::testing
