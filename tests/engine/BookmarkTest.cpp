// Bookmarks: opaque positions that survive changes but not their record.
#include "ContactsFixture.h"

namespace torvelle::testing {
namespace {

using engine::DbError;

class BookmarkTest : public ContactsTest {
 protected:
  void SetUp() override {
    ContactsTest::SetUp();
    table->open();
  }
};

TEST_F(BookmarkTest, GoesBackToTheRecordAfterOtherRowsMoved) {
  table->moveTo(3);  // Dora
  const engine::Bookmark mark = table->bookmark();
  table->first();
  table->insert();
  table->setField("Section", text("Family"));
  table->setField("Name", text("Aaron"));
  table->post();
  table->edit();
  table->setField("Section", text("Zoo"));  // moves to the end
  table->post();
  table->gotoBookmark(mark);
  EXPECT_EQ(table->fieldText("Name"), "Dora");
  EXPECT_EQ(table->rowOfBookmark(mark), 3u);
}

TEST_F(BookmarkTest, FailsForADeletedRecordHiddenRowOrEarlierOpening) {
  table->moveTo(1);
  const engine::Bookmark boris = table->bookmark();
  table->remove();
  try {
    table->gotoBookmark(boris);
    FAIL();
  } catch (const DbError& e) {
    EXPECT_EQ(e.kind(), DbError::Kind::RecordGone);
  }
  EXPECT_EQ(table->fieldText("Name"), "Carl");  // did not move

  const engine::Bookmark carl = table->bookmark();
  table->events().filterRecord = [](const engine::RecordView& r) { return r.text(1) != "Carl"; };
  table->setFiltered(true);
  EXPECT_THROW(table->gotoBookmark(carl), DbError);
  table->setFiltered(false);
  table->gotoBookmark(carl);
  EXPECT_EQ(table->fieldText("Name"), "Carl");

  table->close();
  table->open();
  EXPECT_THROW(table->gotoBookmark(carl), DbError);
  EXPECT_THROW(table->gotoBookmark(engine::Bookmark{}), DbError);
}

}  // namespace
}  // namespace torvelle::testing
