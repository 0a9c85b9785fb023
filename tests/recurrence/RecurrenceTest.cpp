#include <gtest/gtest.h>

#include "recurrence/Expansion.h"
#include "recurrence/RecordSeries.h"
#include "recurrence/RepeatSet.h"
#include "recurrence/RuleForm.h"
#include "support/CivilDate.h"

namespace torvelle::recurrence {
namespace {

Date day(int y, unsigned m, unsigned d) {
  return Date{static_cast<std::int32_t>(support::dayNumberFromCivil(y, m, d))};
}

std::vector<std::string> days(const Expansion& e) {
  std::vector<std::string> out;
  for (const auto& o : e.occurrences) out.push_back(basicDate(o.date));
  return out;
}

Expansion expandRule(const std::string& rule, Date start, Date from, Date to,
                     const std::string& exceptions = {}) {
  return expand(parseRepeatSet(rule, exceptions), start, std::nullopt, from, to);
}

TEST(RecurrenceTest, LibicalQuirksFollowTheStandard) {
  // COUNT counts the occurrences the rule makes; an excluded one is still
  // counted, so five become four rather than the series running longer.
  EXPECT_EQ(days(expandRule("FREQ=DAILY;COUNT=5", day(2026, 3, 1), day(2026, 1, 1),
                            day(2026, 12, 31), "EXDATE:20260302\n")),
            (std::vector<std::string>{"20260301", "20260303", "20260304", "20260305"}));
  // The 31st skips the months that have none.
  EXPECT_EQ(days(expandRule("FREQ=MONTHLY;BYMONTHDAY=31", day(2026, 1, 31), day(2026, 1, 1),
                            day(2026, 12, 31))),
            (std::vector<std::string>{"20260131", "20260331", "20260531", "20260731", "20260831",
                                      "20261031", "20261231"}));
  // -1 is the last day of every month, leap February included.
  const auto last = days(expandRule("FREQ=MONTHLY;BYMONTHDAY=-1", day(2028, 1, 31), day(2028, 1, 1),
                                    day(2028, 4, 30)));
  EXPECT_EQ(last, (std::vector<std::string>{"20280131", "20280229", "20280331", "20280430"}));
  // The second Tuesday, every second month.
  EXPECT_EQ(days(expandRule("FREQ=MONTHLY;INTERVAL=2;BYDAY=2TU", day(2026, 1, 13), day(2026, 1, 1),
                            day(2026, 7, 31))),
            (std::vector<std::string>{"20260113", "20260310", "20260512", "20260714"}));
}

TEST(RecurrenceTest, ExpansionStaysBoundedWhateverTheRule) {
  const Date start = day(2026, 1, 5);
  // Finer than a day: kept and said so, shown once.
  const auto dense = expandRule("FREQ=SECONDLY", start, day(2026, 1, 1), day(2027, 12, 31));
  EXPECT_EQ(dense.state, RuleState::TooDense);
  EXPECT_EQ(days(dense), (std::vector<std::string>{"20260105"}));
  // A count of two billion and an end in 9999 cost only the span asked for.
  const auto huge =
      expandRule("FREQ=DAILY;COUNT=2000000000", start, day(2027, 1, 1), day(2027, 1, 3));
  EXPECT_EQ(days(huge), (std::vector<std::string>{"20270101", "20270102", "20270103"}));
  const auto far =
      expandRule("FREQ=WEEKLY;UNTIL=99991231", start, day(2026, 1, 1), day(2026, 1, 31));
  EXPECT_EQ(far.occurrences.size(), 4u);
  // A counted series started centuries ago is walked from its start: it
  // stops at the step limit instead of walking for ever.
  const auto old =
      expandRule("FREQ=DAILY;COUNT=2000000000", day(1400, 1, 1), day(2026, 1, 1), day(2026, 1, 2));
  EXPECT_TRUE(old.cutShort);
  // Uncounted ones jump to the span, and land on the same days as a walk.
  for (const std::string rule :
       {"FREQ=WEEKLY;INTERVAL=2;BYDAY=TU,SA", "FREQ=MONTHLY;INTERVAL=3;BYDAY=2TU",
        "FREQ=DAILY;INTERVAL=5", "FREQ=MONTHLY;BYMONTHDAY=-1", "FREQ=YEARLY;INTERVAL=2"}) {
    const Date from = day(2027, 5, 3), to = day(2028, 6, 30);
    EXPECT_EQ(days(expandRule(rule, day(2024, 2, 29), from, to)),
              days(expandRule(rule + ";COUNT=100000", day(2024, 2, 29), from, to)))
        << rule;
  }
  // A rule that never gives a day leaves the series' own first day, and one
  // libical cannot read is kept as it is.
  EXPECT_EQ(days(expandRule("FREQ=YEARLY;BYMONTH=2;BYMONTHDAY=30", day(2026, 1, 1), day(2026, 1, 1),
                            day(2030, 1, 1))),
            (std::vector<std::string>{"20260101"}));
  EXPECT_EQ(expandRule("FREQ=SOMETIMES", start, start, start).state, RuleState::Invalid);
}

TEST(RecurrenceTest, ExceptionsMoveExcludeAndTickSingleOccurrences) {
  RepeatSet set;
  set.rule = "FREQ=WEEKLY;BYDAY=MO,TH";
  set.excluded = {day(2026, 1, 8)};
  set.extraDates = {day(2026, 1, 10)};
  set.done = {day(2026, 1, 5)};
  set.moved[day(2026, 1, 12)] = {day(2026, 1, 21), Time{9 * 3600000}, "Moved meeting"};
  const std::string memo = exceptionsText(set);
  EXPECT_EQ(parseRepeatSet(set.rule, memo + "X-LATER:20260101\nEXDATE:2026\n"), set);

  const auto e = expand(set, day(2026, 1, 5), Time{8 * 3600000}, day(2026, 1, 1), day(2026, 1, 22));
  EXPECT_EQ(days(e), (std::vector<std::string>{"20260105", "20260110", "20260115", "20260119",
                                               "20260121", "20260122"}));
  EXPECT_TRUE(e.occurrences[0].done);
  EXPECT_FALSE(e.occurrences[1].done);
  const auto& moved = e.occurrences[4];
  EXPECT_TRUE(moved.moved);
  EXPECT_EQ(moved.original, day(2026, 1, 12));
  EXPECT_EQ(moved.text, "Moved meeting");
  EXPECT_EQ(moved.time, Time{9 * 3600000});
  // A moved occurrence is found from the day it moved to, also from afar.
  EXPECT_EQ(days(expand(set, day(2026, 1, 5), std::nullopt, day(2026, 1, 21), day(2026, 1, 21))),
            (std::vector<std::string>{"20260121"}));

  // "This and following" ends the series the day before.
  EXPECT_EQ(days(expandRule(ruleEndingBefore(set.rule, day(2026, 1, 15)), day(2026, 1, 5),
                            day(2026, 1, 1), day(2026, 2, 28))),
            (std::vector<std::string>{"20260105", "20260108", "20260112"}));
}

TEST(RecurrenceTest, TableRecordsGiveTheirOccurrencesInASpanAndThroughTheCache) {
  const std::vector<format::FieldDef> fields = {{"Date", format::FieldType::Date, 4},
                                                {"Time", format::FieldType::Time, 4},
                                                {"Task", format::FieldType::Alpha, 70},
                                                {"RRule", format::FieldType::Alpha, 255},
                                                {"Exceptions", format::FieldType::Memo, 50}};
  const std::vector<format::Record> records = {
      {day(2026, 1, 7), Time{600000}, std::string("Once"), {}, {}},
      {day(2026, 1, 1), Time{0}, std::string("Weekly"), std::string("FREQ=WEEKLY"),
       std::string("DONE:20260108\n")}};
  const auto all = occurrencesIn(fields, records, day(2026, 1, 6), day(2026, 1, 15));
  ASSERT_EQ(all.size(), 3u);
  EXPECT_EQ(all[0].record, 0u);
  EXPECT_EQ(all[1].record, 1u);
  EXPECT_TRUE(all[1].occurrence.done);
  EXPECT_EQ(all[2].occurrence.date, day(2026, 1, 15));

  OccurrenceCache cache;
  int hits = 0;
  for (Date d = day(2025, 12, 1); d <= day(2027, 3, 1); d.day += 1)
    hits += static_cast<int>(
        cache.on("FREQ=WEEKLY", "DONE:20260108\n", day(2026, 1, 1), std::nullopt, d).size());
  EXPECT_EQ(hits, 61);  // 2026-01-01 to 2027-02-25, every Thursday
}

TEST(RecurrenceTest, EditorFormsRoundTripAndForeignRulesStayReadOnly) {
  const Date start = day(2026, 1, 13);  // the second Tuesday of January
  RuleForm form;
  form.preset = Preset::Monthly;
  form.monthly = MonthlyBy::NthWeekday;
  form.interval = 2;
  form.end = EndKind::Count;
  form.count = 6;
  EXPECT_EQ(ruleText(form, start), "FREQ=MONTHLY;INTERVAL=2;BYDAY=2TU;COUNT=6");
  form.monthly = MonthlyBy::LastDay;
  form.end = EndKind::Until;
  form.until = day(2026, 12, 31);
  EXPECT_EQ(ruleText(form, start), "FREQ=MONTHLY;INTERVAL=2;BYMONTHDAY=-1;UNTIL=20261231");
  EXPECT_EQ(ruleText(RuleForm{}, start), "");
  for (const std::string rule : {"FREQ=DAILY;INTERVAL=3", "FREQ=WEEKLY;BYDAY=MO,TH;COUNT=10",
                                 "FREQ=WEEKLY;BYDAY=MO,TU,WE,TH,FR", "FREQ=MONTHLY;BYMONTHDAY=31",
                                 "FREQ=MONTHLY;BYDAY=-1FR;UNTIL=20270101", "FREQ=YEARLY"}) {
    const auto parsed = formOf(rule);
    ASSERT_TRUE(parsed) << rule;
    EXPECT_EQ(formOf(ruleText(*parsed, day(2026, 1, 30))), parsed) << rule;
  }
  EXPECT_EQ(formOf("FREQ=WEEKLY;BYDAY=MO,TU,WE,TH,FR")->preset, Preset::Weekdays);
  // Beyond the editor: kept, shown read-only.
  for (const std::string rule : {"FREQ=YEARLY;BYMONTH=3;BYDAY=-1SU", "FREQ=HOURLY",
                                 "FREQ=MONTHLY;BYSETPOS=-1;BYDAY=MO,TU", "FREQ=WEEKLY;BYDAY=XX"})
    EXPECT_FALSE(formOf(rule)) << rule;
  EXPECT_EQ(weekdayOf(start), 1);
}

}  // namespace
}  // namespace torvelle::recurrence
