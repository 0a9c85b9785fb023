// The filtered flag, the filter test and refresh.
#include <stdexcept>

#include "ContactsFixture.h"

namespace torvelle::testing {
namespace {

using engine::TableState;

class FilterTest : public ContactsTest {
 protected:
  void SetUp() override {
    ContactsTest::SetUp();
    table->events().filterRecord = [this](const engine::RecordView& r) {
      ++calls;
      return r.text("Name").find(pattern) != std::string_view::npos;
    };
    table->open();
  }
  std::string pattern;
  int calls = 0;
};

TEST_F(FilterTest, SettingTheFlagAgainReappliesTheTestAndGoesToTheFirstPassingRow) {
  table->setFiltered(true);
  EXPECT_EQ(visibleNames(), (Names{"Anna", "Boris", "Carl", "Dora", "Emil"}));
  table->last();
  pattern = "r";
  table->setFiltered(true);  // the same value: the new pattern still applies
  EXPECT_EQ(visibleNames(), (Names{"Boris", "Carl", "Dora"}));
  EXPECT_EQ(table->currentRow(), 0u);
  EXPECT_EQ(table->fieldText("Name"), "Boris");
  EXPECT_EQ(table->recordCount(), 5u);  // the filter does not shrink the count
  table->setFiltered(false);
  EXPECT_EQ(table->rowCount(), 5u);
}

TEST_F(FilterTest, TheTestRunsOnlyWhileFiltered) {
  table->refresh();
  EXPECT_EQ(calls, 0);
  table->setFiltered(true);
  EXPECT_EQ(calls, 5);
}

TEST_F(FilterTest, SettingTheFlagPostsAModifiedEditAndCancelsAnUnmodifiedOne) {
  table->setFiltered(true);
  table->next();  // Boris
  table->edit();
  table->setField("Phone", text("999"));
  table->setFiltered(true);
  EXPECT_EQ(table->state(), TableState::Browse);
  EXPECT_EQ(std::get<std::string>(readBack(path)[1][2]), "999");

  table->insert();
  ASSERT_EQ(table->state(), TableState::Insert);
  EXPECT_EQ(table->rowCount(), 6u);
  table->setFiltered(true);
  EXPECT_EQ(table->state(), TableState::Browse);
  EXPECT_EQ(table->rowCount(), 5u);
  EXPECT_EQ(readBack(path).size(), 5u);
}

TEST_F(FilterTest, AFailingPostKeepsTheFlagAndTheEdit) {
  table->edit();
  table->setField("Name", text("Boris"));  // Family;Boris exists
  EXPECT_THROW(table->setFiltered(true), engine::DbError);
  EXPECT_FALSE(table->filtered());
  EXPECT_EQ(table->state(), TableState::Edit);
  EXPECT_EQ(table->fieldText("Name"), "Boris");
}

TEST_F(FilterTest, AnErrorInTheTestIsReportedOnceAndTheRecordPasses) {
  std::vector<std::string> reports;
  session.setErrorReport([&](const std::exception_ptr& e) {
    try {
      std::rethrow_exception(e);
    } catch (const std::exception& x) {
      reports.emplace_back(x.what());
    }
  });
  table->events().filterRecord = [](const engine::RecordView& r) -> bool {
    if (r.text(0) == "Work") throw std::runtime_error("bad filter");
    return false;
  };
  table->setFiltered(true);
  EXPECT_EQ(visibleNames(), (Names{"Carl", "Dora", "Emil"}));
  EXPECT_EQ(reports, (std::vector<std::string>{"bad filter"}));
}

TEST_F(FilterTest, APostedRecordStaysVisibleUntilTheNextRefresh) {
  pattern = "a";
  table->setFiltered(true);
  ASSERT_EQ(visibleNames(), (Names{"Anna", "Carl", "Dora"}));
  table->moveTo(1);  // Carl
  table->edit();
  table->setField("Phone", text("000"));
  table->post();
  table->moveTo(2);  // Dora
  table->edit();
  table->setField("Name", text("Doris"));  // no longer has an "a"
  table->post();
  EXPECT_EQ(visibleNames(), (Names{"Anna", "Carl", "Doris"}));
  EXPECT_EQ(table->fieldText("Name"), "Doris");

  table->moveTo(1);
  table->refresh();  // Carl still passes: the cursor stays on him
  EXPECT_EQ(visibleNames(), (Names{"Anna", "Carl"}));
  EXPECT_EQ(table->fieldText("Name"), "Carl");
  table->moveTo(1);
  pattern = "nn";
  table->refresh();  // Carl fails now: back to the first row
  EXPECT_EQ(table->fieldText("Name"), "Anna");
}

TEST_F(FilterTest, FoldedTextsFollowPostedChanges) {
  table->events().filterRecord = [this](const engine::RecordView& r) {
    return r.foldedText(1).find(pattern) != std::string_view::npos;
  };
  pattern = "ANNA";
  table->setFiltered(true);
  EXPECT_EQ(visibleNames(), (Names{"Anna"}));
  table->edit();
  table->setField("Name", text("Жанна"));
  EXPECT_EQ(table->current().foldedText(1), "ЖАННА");
  // Fields joined for one search, never matching across a boundary.
  EXPECT_EQ(table->current().foldedTexts(1, 2), std::string("ЖАННА\0"
                                                            "111\0",
                                                            15));
  table->post();
  pattern = "ЖАН";
  table->setFiltered(true);
  EXPECT_EQ(visibleNames(), (Names{"Жанна"}));
}

TEST_F(FilterTest, FindKeyReachesRecordsTheFilterHides) {
  pattern = "Anna";
  table->setFiltered(true);
  ASSERT_EQ(table->rowCount(), 1u);
  ASSERT_TRUE(table->findKey(text("Work")));
  EXPECT_EQ(table->fieldText("Name"), "Carl");
  // A delete loop over one key value serves every record of it.
  while (table->findKey(text("Work"))) table->remove();
  EXPECT_EQ(readBack(path).size(), 2u);
  EXPECT_EQ(visibleNames(), (Names{"Anna"}));
  EXPECT_FALSE(table->findKey(text("Nowhere")));
}

}  // namespace
}  // namespace torvelle::testing
