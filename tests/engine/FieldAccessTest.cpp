// Typed field values, their texts, and the index orders.
#include "TableFixture.h"
#include "engine/FieldText.h"
#include "engine/Session.h"
#include "engine/Table.h"

namespace torvelle::testing {
namespace {

using engine::DbError;
using format::Date;
using format::Time;

Date day(int y, int m, int d) {
  return *engine::dayFromCivil(y, m, d);
}
Time at(int h, int m) {
  return Time{(h * 60 + m) * 60000};
}

class TasksTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path = dir / "Tasks.db";
    makeTable(path,
              {dateField("Date"), timeField("Time"), alpha("Task", 70), logical("Done"),
               memo("Description")},
              2,
              {{day(2024, 5, 2), at(9, 0), text("Dentist"), false, text("Bring the card")},
               {day(2024, 5, 1), at(18, 30), text("Call mother"), true, std::monostate{}},
               {day(2024, 5, 1), at(8, 5), text("Gym"), false, std::monostate{}}});
    table.setTableName(path);
    table.setIndexFieldNames("Date;Time");
    table.open();
  }
  TempDir dir;
  std::filesystem::path path;
  engine::Session session;
  engine::Table table{session};
};

TEST_F(TasksTest, TypedValuesAndTheirTexts) {
  EXPECT_EQ(table.driverType(), "PARADOX");
  EXPECT_EQ(table.fieldText("TASK"), "Gym");  // key order: 1 May 08:05 first
  EXPECT_EQ(table.dateField("Date"), day(2024, 5, 1));
  EXPECT_EQ(table.fieldText("Date"), "01.05.2024");
  EXPECT_EQ(table.textAt(1), "08:05:00");
  EXPECT_FALSE(table.boolField("Done"));
  EXPECT_EQ(table.fieldText("Done"), "False");
  EXPECT_TRUE(table.isNull("Description"));
  EXPECT_EQ(table.textAt(4), "");
  EXPECT_EQ(table.firstFieldText(), "01.05.2024");
  EXPECT_THROW(table.textAt(5), DbError);
  EXPECT_THROW(table.boolField("Task"), DbError);
  table.last();
  EXPECT_EQ(table.fieldText("Description"), "Bring the card");
}

TEST_F(TasksTest, TextsTypedIntoFieldsAreParsedForTheirType) {
  table.edit();
  table.setFieldText("Date", "3.6.2024");
  table.setFieldText("Time", "7:15");
  table.setFieldText("Done", "true");
  table.setFieldText("Description", "Long text\nwith lines");
  EXPECT_THROW(table.setFieldText("Date", "31.02.2024"), DbError);
  EXPECT_THROW(table.setFieldText("Time", "25:00"), DbError);
  table.post();
  EXPECT_EQ(table.fieldText("Task"), "Gym");
  EXPECT_EQ(table.currentRow(), 2u);  // moved to its new date
  const auto disk = readBack(path);
  EXPECT_EQ(disk[2][0], format::Value(day(2024, 6, 3)));
  EXPECT_EQ(disk[2][1], format::Value(at(7, 15)));
  EXPECT_EQ(disk[2][3], format::Value(true));
  EXPECT_EQ(disk[2][4], text("Long text\nwith lines"));
  table.edit();
  table.setFieldText("Done", "");
  table.post();
  EXPECT_TRUE(table.isNull("Done"));
}

TEST_F(TasksTest, AnIndexOutsideTheKeyIsAnOrderOfTheEngine) {
  table.setIndexFieldNames("Task");
  std::vector<std::string> tasks;
  for (table.first(); !table.eof(); table.next()) tasks.push_back(table.fieldText("Task"));
  EXPECT_EQ(tasks, (std::vector<std::string>{"Call mother", "Dentist", "Gym"}));
  table.append();
  table.setField("Date", day(2024, 1, 1));
  table.setField("Time", at(0, 0));
  table.setField("Task", text("Breakfast"));
  table.post();
  EXPECT_EQ(table.currentRow(), 0u);
  table.moveTo(3);
  table.edit();
  table.setField("Task", text("Aerobics"));  // Gym renamed: to the front
  table.post();
  EXPECT_EQ(table.currentRow(), 0u);
  EXPECT_EQ(table.row(1).text(2), "Breakfast");
  // The file keeps key order; the engine's order survives its own changes.
  const auto disk = readBack(path);
  EXPECT_EQ(disk[0][2], text("Breakfast"));
  EXPECT_EQ(disk[1][2], text("Aerobics"));
  EXPECT_THROW(table.setIndexFieldNames("Nope"), DbError);
  EXPECT_EQ(table.indexFieldNames(), "Task");
}

TEST(DateTexts, CalendarConversionsRoundTrip) {
  EXPECT_EQ(engine::dayFromCivil(1, 1, 1)->day, 1);
  for (const auto& [y, m, d] : {std::tuple{2000, 2, 29}, {1999, 12, 31}, {2024, 3, 1}, {1, 1, 1}}) {
    const auto c = engine::civilFromDay(engine::dayFromCivil(y, m, d)->day);
    EXPECT_EQ(std::tuple(c.year, c.month, c.day), std::tuple(y, m, d));
  }
  EXPECT_FALSE(engine::dayFromCivil(1900, 2, 29));
  EXPECT_EQ(engine::parseDefaultDate("01.05.24"), day(2024, 5, 1));
  EXPECT_EQ(engine::parseDefaultDate("2024-05-01"), day(2024, 5, 1));
  EXPECT_FALSE(engine::parseDefaultDate("1.5"));
}

}  // namespace
}  // namespace torvelle::testing
