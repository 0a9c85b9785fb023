// Contacts and calendars through files and back, on the shipped tables.
#include <gtest/gtest.h>
#include <libical/ical.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <tuple>

#include "common/TempDir.h"
#include "engine/RecordIdentity.h"
#include "engine/ShippedTables.h"
#include "engine/format/TableFile.h"
#include "exchange/Exchange.h"
#include "recurrence/RecordSeries.h"
#include "support/CivilDate.h"

namespace torvelle::exchange {
namespace {

namespace fs = std::filesystem;
using format::Date;
using format::Record;
using format::TableFile;
using format::Time;
using format::Value;
using testing::readBytes;
using testing::TempDir;
using testing::writeBytes;

Value text(const char* s) {
  return std::string(s);
}
const Value null;

std::vector<Record> readAll(const fs::path& path) {
  return TableFile::open(path, {})->readAll();
}

// As the program inserts them: each record with an identity of its own.
void insertAll(const fs::path& path, const std::vector<Record>& records) {
  format::OpenOptions options;
  options.writable = true;
  const auto table = TableFile::open(path, options);
  for (Record r : records) {
    engine::giveIdentity(table->info().fields, r);
    table->insert(r);
  }
}

std::string fixture(const char* name) {
  return readBytes(fs::path(TORVELLE_EXCHANGE_FIXTURES) / name);
}

// The seven empty tables in a folder of their own.
struct Organizer {
  Organizer() { engine::createShippedTables(dir.path()); }
  fs::path operator/(const char* table) const { return dir.path() / table; }
  TempDir dir;
};

constexpr const char* phones = "DB/Phones/Phones.db";
constexpr const char* phoneSections = "DB/Phones/PhoneSections.db";
constexpr const char* tasks = "DB/Tasks/Tasks.db";
constexpr const char* dates = "DB/Dates/Dates.db";
constexpr const char* dateSections = "DB/Dates/DateSections.db";

ImportRequest into(const fs::path& table) {
  ImportRequest request;
  request.table = table;
  return request;
}

// Section, Name, HomePhone, WorkPhone, Country, ZipCode, City, Street,
// Cellular, ICQ, Email, WebSite.
std::vector<Record> samplePhones() {
  return {
      {text("Друзья"), text("Ёлкин, Пётр"), text("+7 (495) 123-45-67"), null, text("Россия"),
       text("101000"), text("Москва"), text("ул. Ленина; д. 1\\2, кв. 3"), text("+7 916 000"),
       text("123456"), text("petr@example.ru"), text("https://example.ru/a,b")},
      {text("Друзья"), text("Zoe"), null, text("555-1212"), null, null, null, null, null, null,
       null, null},
      {text("Work, main"), text(std::string(50, 'W').c_str()), text("1"), text("2"), text("UK"),
       null, text("London"), text(std::string(100, 's').c_str()), null, null,
       text("w@example.co.uk"), null},
  };
}

// vobject, run when installed, as a reader that owes nothing to ours.
std::string vobjectNames(const fs::path& vcf) {
  if (!fs::exists("/usr/bin/python3")) return "skip";
  const std::string command =
      "/usr/bin/python3 -c \"import sys, vobject\n"
      "for c in vobject.readComponents(open(sys.argv[1], encoding='utf-8').read()):\n"
      "  print(c.fn.value + '|' + c.categories.value[0] + '|' + "
      "str(len(c.contents.get('tel', []))))\" " +
      vcf.string() + " 2>&1";
  std::string out;
  if (FILE* p = popen(command.c_str(), "r")) {
    char buf[4096];
    while (const auto n = fread(buf, 1, sizeof buf, p)) out.append(buf, n);
    pclose(p);
  }
  return out.find("No module named") != std::string::npos ? "skip" : out;
}

TEST(VCardExchange, PhonesRoundTripInBothVersionsAndAnotherReaderAgrees) {
  for (const auto version : {VCardVersion::V30, VCardVersion::V40}) {
    Organizer from, to;
    insertAll(from / phones, samplePhones());
    ExportRequest out;
    out.table = from / phones;
    out.version = version;
    const auto file = exportVCardFile(out);
    ASSERT_EQ(file.records, 3u);
    for (std::size_t pos = 0; (pos = file.text.find("\r\n", pos)) != std::string::npos; pos += 2) {
      const auto start = file.text.rfind("\r\n", pos - 1);
      ASSERT_LE(pos - (start == std::string::npos ? 0 : start + 2), 75u) << "unfolded line";
    }

    const auto summary = importVCardFile(file.text, into(to / phones));
    EXPECT_EQ(summary.added, 3u);
    EXPECT_TRUE(summary.notStored.empty());
    EXPECT_EQ(readAll(to / phones), readAll(from / phones));
    EXPECT_EQ(readAll(to / phoneSections),
              (std::vector<Record>{{text("Work, main")}, {text("Друзья")}}));

    writeBytes(from.dir / "out.vcf", file.text);
    const std::string names = vobjectNames(from.dir / "out.vcf");
    if (names != "skip") {
      EXPECT_EQ(names,
                std::string(50, 'W') + "|Work, main|2\nZoe|Друзья|1\nЁлкин, Пётр|Друзья|2\n");
    }
  }
}

TEST(VCardExchange, ContactsAsPhonesMailProgramsAndAddressBooksWriteThem) {
  Organizer o;
  ImportRequest request = into(o / phones);
  request.birthdays = true;
  ImportSummary summary;
  for (const char* name : {"android-2.1.vcf", "apple-3.0.vcf", "google-3.0.vcf",
                           "thunderbird-4.0.vcf", "outlook-2.1-cp1251.vcf"}) {
    const auto one = importVCardFile(fixture(name), request);
    summary.added += one.added;
    summary.birthdaysAdded += one.birthdaysAdded;
    for (const auto& [what, n] : one.notStored) summary.notStored[what] += n;
  }
  EXPECT_EQ(summary.added, 7u);
  EXPECT_EQ(summary.birthdaysAdded, 1u);
  const std::map<std::string, std::size_t> notStored = {{"birthday without a year", 1},
                                                        {"fax", 1},
                                                        {"further category", 1},
                                                        {"note", 1},
                                                        {"organisation", 1},
                                                        {"photo", 1},
                                                        {"region", 1},
                                                        {"second e-mail", 2}};
  EXPECT_EQ(summary.notStored, notStored);

  const std::vector<Record> expected = {
      {text("Freunde"), text("Anna Schmidt, Dr."), text("+49 30 1234567"), null, text("Germany"),
       text("10115"), text("Berlin"), text("Hauptstrasse 5"), null, null, text("anna@example.de"),
       null},
      {text("Imported"), text("Johnny Appleseed"), null, text("(408) 555-1212"),
       text("United States"), text("95014"), text("Cupertino"), text("1 Infinite Loop"),
       text("(408) 555-5270"), text("123456789"), text("johnny@example.com"),
       text("https://www.example.com/johnny")},
      {text("Imported"), text("Вера Сидорова"), text("+7 495 000-00-02"), null, null, null, null,
       null, null, null, null, null},
      {text("Imported"), text("Игорь Козлов"), null, text("(812) 111-22-33"), null, null, null,
       null, null, null, text("kozlov@example.ru"), null},
      {text("Imported"), text("Мама"), null, null, null, null, null, null, text("+7 903 000-00-01"),
       null, null, null},
      {text("Imported"), text("Олег Сидоров"), text("+7-812-555-02-02"), text("+7-812-555-01-01"),
       null, null, null, null, null, text("55501"), text("oleg@example.ru"),
       text("https://oleg.example.ru")},
      {text("Imported"), text("Пётр Петров"), text("84951234567"), null, text("Россия"),
       text("101000"), text("Москва"), text("ул. Ленина, 1"), text("+79161234567"), null,
       text("petrov@example.ru"), null},
  };
  // Every contact has an identity, from its UID or a new one.
  auto contacts = readAll(o / phones);
  for (auto& r : contacts) {
    EXPECT_TRUE(std::holds_alternative<std::string>(r.back()));
    r.pop_back();
  }
  EXPECT_EQ(contacts, expected);
  const auto birthdays = readAll(o / dates);
  ASSERT_EQ(birthdays.size(), 1u);
  EXPECT_EQ(birthdays[0][3], text("Пётр Петров"));
  EXPECT_EQ(readAll(o / dateSections), (std::vector<Record>{{text("Birthdays")}}));
}

// Tasks: Date, Time, Task, Done, Description. Dates: Section, Date, Time,
// Event, Description.
TEST(ICalendarExchange, TasksAndDatesRoundTripAndLibicalFindsThemWellFormed) {
  Organizer from, to;
  const std::vector<Record> taskRecords = {
      {Date{739650}, Time{8 * 3600000}, text("Позвонить маме; купить хлеб, молоко"), false,
       text("две\nстроки")},
      {Date{739650}, Time{9 * 3600000 + 123}, text("Done"), true, null},
      {Date{739651}, null, text("All day"), false, null},
  };
  const std::vector<Record> dateRecords = {
      {text("Дни рождения"), Date{723000}, Time{0}, text("Бабушка"), text("Торт!")},
      {text("Дни рождения"), Date{723000}, Time{1000}, text("Дедушка"), null},
      {text("Holidays, public"), Date{739000}, Time{43200000}, text("New Year"), null},
  };
  insertAll(from / tasks, taskRecords);
  insertAll(from / dates, dateRecords);
  for (const char* table : {tasks, dates}) {
    ExportRequest out;
    out.table = from / table;
    out.yearly = true;
    const auto file = exportCalendarFile(out);
    ASSERT_EQ(file.records, 3u);

    icalcomponent* parsed = icalparser_parse_string(file.text.c_str());
    ASSERT_NE(parsed, nullptr);
    EXPECT_EQ(icalcomponent_count_errors(parsed), 0) << file.text;
    EXPECT_EQ(icalrestriction_check(parsed), 1) << file.text;
    EXPECT_EQ(icalcomponent_count_components(parsed, ICAL_ANY_COMPONENT), 3);
    icalcomponent_free(parsed);

    const auto summary = importCalendarFile(file.text, into(to / table));
    EXPECT_EQ(summary.added, 3u);
    EXPECT_TRUE(summary.notStored.empty());
    auto expected = readAll(from / table);
    if (table == dates) {
      // Every event carried a yearly rule, which the dates book now keeps.
      const auto& fields = TableFile::open(to / table, {})->info().fields;
      const auto rule = static_cast<std::size_t>(
          std::find_if(fields.begin(), fields.end(),
                       [](const auto& f) { return f.name == engine::kRuleField; }) -
          fields.begin());
      for (auto& r : expected) r[rule] = text("FREQ=YEARLY");
    }
    EXPECT_EQ(readAll(to / table), expected) << file.text;
    if (table == dates) {
      EXPECT_EQ(readAll(to / dateSections),
                (std::vector<Record>{{text("Holidays, public")}, {text("Дни рождения")}}));
    }
  }
}

// "UID YYYYMMDD" per occurrence in [from, to], sorted.
std::string occurrenceLines(const fs::path& table, Date from, Date to) {
  const auto t = TableFile::open(table, {});
  const auto records = t->readAll();
  std::vector<std::string> lines;
  for (const auto& o : recurrence::occurrencesIn(t->info().fields, records, from, to))
    lines.push_back(engine::identityOf(t->info().fields, records[o.record]) + " " +
                    recurrence::basicDate(o.occurrence.date));
  std::sort(lines.begin(), lines.end());
  lines.erase(std::unique(lines.begin(), lines.end()), lines.end());
  std::string text;
  for (const auto& line : lines) text += line + "\n";
  return text;
}

std::string pythonOccurrences(const fs::path& ics, const char* from, const char* to) {
  const std::string command = "/usr/bin/python3 " TORVELLE_EXPAND_SCRIPT " " + ics.string() + " " +
                              from + " " + to + " 2>&1";
  std::string out;
  if (FILE* p = popen(command.c_str(), "r")) {
    char buf[4096];
    while (const auto n = fread(buf, 1, sizeof buf, p)) out.append(buf, n);
    pclose(p);
  }
  return out;
}

TEST(ICalendarExchange, RepeatingTasksAndDatesKeepRulesExceptionsAndOccurrences) {
  Organizer from, to;
  const Date jan5{static_cast<std::int32_t>(support::dayNumberFromCivil(2026, 1, 5))};
  const std::vector<Record> taskRecords = {
      {jan5, Time{8 * 3600000}, text("Standup"), false, null, null, text("FREQ=WEEKLY;BYDAY=MO,TH"),
       text("RDATE:20260110\nEXDATE:20260108\nDONE:20260105\n"
            "MOVED:20260112>20260121T090000 Moved standup\n")},
      {Date{jan5.day + 26}, Time{0}, text("Rent"), false, null, null,
       text("FREQ=MONTHLY;COUNT=12;BYMONTHDAY=-1"), text("EXDATE:20260228\n")},
      {Date{jan5.day + 8}, Time{3600000}, text("Board"), false, null, null,
       text("FREQ=MONTHLY;UNTIL=20271231;INTERVAL=2;BYDAY=2TU"), null},
      {Date{jan5.day + 1}, Time{7200000}, text("Once"), false, null, null, null, null},
  };
  const std::vector<Record> dateRecords = {
      {text("Birthdays"), Date{jan5.day - 3000}, Time{0}, text("Anna"), null, null,
       text("FREQ=YEARLY"), text("EXDATE:20270101\n")},
      {text("Bills"), jan5, Time{0}, text("Water"), null, null, text("FREQ=MONTHLY;BYMONTHDAY=31"),
       null},
  };
  insertAll(from / tasks, taskRecords);
  insertAll(from / dates, dateRecords);
  for (const char* table : {tasks, dates}) {
    ExportRequest out;
    out.table = from / table;
    const auto file = exportCalendarFile(out);
    const auto summary = importCalendarFile(file.text, into(to / table));
    EXPECT_EQ(summary.added, table == tasks ? 4u : 2u) << file.text;
    EXPECT_TRUE(summary.notStored.empty());
    EXPECT_EQ(readAll(to / table), readAll(from / table)) << file.text;

    // Two years ahead, the occurrences another reader expands from the file
    // are the ones the tables give.
    const std::string ours = occurrenceLines(to / table, jan5, Date{jan5.day + 2 * 365});
    if (table == tasks) {
      EXPECT_NE(ours.find(" 20260121\n"), std::string::npos);  // the moved one
    }
    writeBytes(from.dir / "out.ics", file.text);
    const std::string theirs = pythonOccurrences(from.dir / "out.ics", "20260105", "20280105");
    if (theirs.find("No module named") == std::string::npos) {
      EXPECT_EQ(theirs, ours) << file.text;
    }
  }
}

TEST(ICalendarExchange, ThingsAtOneMomentAllFindRoomAndAReimportSkipsThem) {
  Organizer o;
  const std::string events =
      "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Google Inc//Google Calendar 70.9054//EN\r\n"
      "BEGIN:VEVENT\r\nDTSTART;VALUE=DATE:20260308\r\nDTEND;VALUE=DATE:20260309\r\n"
      "SUMMARY:Праздник\r\nCATEGORIES:Family,Other\r\nUID:a@google.com\r\nEND:VEVENT\r\n"
      "BEGIN:VEVENT\r\nDTSTART;VALUE=DATE:20260308\r\nSUMMARY:Second\r\nCATEGORIES:Family\r\n"
      "RRULE:FREQ=WEEKLY;COUNT=3\r\nUID:b@google.com\r\nEND:VEVENT\r\n"
      "BEGIN:VTODO\r\nSUMMARY:not an event\r\nUID:c\r\nEND:VTODO\r\nEND:VCALENDAR\r\n";
  // Two to-dos at one moment and two on one day without a time.
  const std::string todos =
      "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:x\r\n"
      "BEGIN:VTODO\r\nUID:1\r\nDUE:20260301T070000\r\nSUMMARY:One\r\nEND:VTODO\r\n"
      "BEGIN:VTODO\r\nUID:2\r\nDUE:20260301T070000\r\nSUMMARY:Two\r\nEND:VTODO\r\n"
      "BEGIN:VTODO\r\nUID:3\r\nDUE;VALUE=DATE:20260301\r\nSUMMARY:Day\r\nEND:VTODO\r\n"
      "BEGIN:VTODO\r\nUID:4\r\nDUE;VALUE=DATE:20260301\r\nSUMMARY:Day 2\r\nEND:VTODO\r\n"
      "END:VCALENDAR\r\n";
  for (const auto& [table, calendar, times] :
       {std::tuple{dates, events, std::vector<Value>{null, Time{0}}},
        std::tuple{tasks, todos,
                   std::vector<Value>{null, Time{0}, Time{25200000}, Time{25200001}}}}) {
    auto summary = importCalendarFile(calendar, into(o / table));
    EXPECT_EQ(summary.added, times.size());
    const auto first = readAll(o / table);
    const std::size_t timeField = table == tasks ? 1 : 2;
    std::vector<Value> stored;
    stored.reserve(first.size());
    for (const auto& r : first) stored.push_back(r[timeField]);
    EXPECT_EQ(stored, times) << table;

    ImportRequest again = into(o / table);
    again.options.skipExisting = true;
    summary = importCalendarFile(calendar, again);
    EXPECT_EQ(summary.added, 0u);
    EXPECT_EQ(summary.skipped, times.size());
    EXPECT_EQ(readAll(o / table), first);
    if (table == dates) {
      // The to-do; the weekly event keeps its rule.
      EXPECT_EQ(summary.notStored.size(), 1u);
    }
  }
}

TEST(Import, RefusedTextAndTakenKeysLeaveTheTableAsItWasUnlessSkipped) {
  Organizer o;
  insertAll(o / phones, {samplePhones()[1]});
  const auto before = readBytes(o / phones);
  const std::string cards =
      "BEGIN:VCARD\nVERSION:3.0\nFN:Anna\nCATEGORIES:Друзья\nEND:VCARD\n"
      "BEGIN:VCARD\nVERSION:3.0\nFN:Jürgen Müller\nEND:VCARD\n"
      "BEGIN:VCARD\nVERSION:3.0\nFN:Zoe\nCATEGORIES:Друзья\nEND:VCARD\n"
      "BEGIN:VCARD\nVERSION:3.0\nFN:Ǆemal\nEND:VCARD\n";
  try {
    importVCardFile(cards, into(o / phones));
    FAIL() << "refused records were imported";
  } catch (const RecordsRefused& e) {
    ASSERT_EQ(e.refused().size(), 2u);
    EXPECT_NE(e.refused()[0].find("line 6: Name \"Jürgen Müller\""), std::string::npos);
    EXPECT_NE(e.refused()[0].find("U+00FC"), std::string::npos);
    EXPECT_NE(e.refused()[1].find("line 15"), std::string::npos);
  }
  EXPECT_TRUE(readBytes(o / phones) == before) << "the table changed";

  ImportRequest skipRefused = into(o / phones);
  skipRefused.options.skipRefused = true;
  try {
    importVCardFile(cards, skipRefused);
    FAIL() << "a taken key was passed over";
  } catch (const RecordsRefused&) {
    FAIL() << "refusals were not skipped";
  } catch (const ExchangeError& e) {
    EXPECT_NE(std::string(e.what()).find("line 10: Key violation."), std::string::npos) << e.what();
  }
  EXPECT_TRUE(readBytes(o / phones) == before) << "the table changed";
  EXPECT_EQ(readAll(o / phoneSections), std::vector<Record>{}) << "a section outlived its import";

  skipRefused.options.skipExisting = true;
  ImportRequest trial = skipRefused;
  trial.options.skipRefused = false;
  trial.options.dryRun = true;
  const auto preview = importVCardFile(cards, trial);
  EXPECT_EQ(preview.added, 1u);
  EXPECT_EQ(preview.skipped, 1u);
  EXPECT_EQ(preview.sectionsAdded, 1u);
  EXPECT_EQ(preview.refused.size(), 2u);
  EXPECT_TRUE(readBytes(o / phones) == before) << "a trial run wrote";
  EXPECT_EQ(readAll(o / phoneSections), std::vector<Record>{}) << "a trial run wrote";

  const auto summary = importVCardFile(cards, skipRefused);
  EXPECT_EQ(summary.added, 1u);
  EXPECT_EQ(summary.skipped, 1u);
  EXPECT_EQ(summary.refused.size(), 2u);
  EXPECT_EQ(readAll(o / phones).size(), 2u);
}

// A failure at the very end of writing (here the progress report, as a
// cancel does it), after the contacts, their new sections, the birthdays
// and theirs were all staged: every one of the four tables stays as it was.
TEST(Import, AFailureWhileWritingLeavesEveryTableAsItWas) {
  Organizer o;
  insertAll(o / phones, samplePhones());
  constexpr int kContacts = 600;
  std::string cards;
  for (int i = 0; i < kContacts; ++i) {
    const int day = 1 + i % 28;
    const int month = 1 + (i / 28) % 12;
    cards += "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Person " + std::to_string(i) +
             "\r\nCATEGORIES:Group " + std::to_string(i % 7) +
             "\r\nBDAY:" + std::to_string(1950 + i / 336) + (month < 10 ? "0" : "") +
             std::to_string(month) + (day < 10 ? "0" : "") + std::to_string(day) +
             "\r\nEND:VCARD\r\n";
  }
  const std::vector<const char*> all = {phones, phoneSections, dates, dateSections};
  std::vector<std::string> before;
  before.reserve(all.size());
  for (const char* table : all) before.push_back(readBytes(o / table));
  ImportRequest request = into(o / phones);
  request.birthdays = true;
  int finished = 0;
  request.options.progress = [&](std::size_t done, std::size_t total) {
    if (done == total && ++finished == 2) throw std::runtime_error("stopped");
  };
  EXPECT_THROW(importVCardFile(cards, request), std::runtime_error);
  EXPECT_EQ(finished, 2) << "the birthdays were not written last";
  for (std::size_t t = 0; t < all.size(); ++t)
    EXPECT_TRUE(readBytes(o / all[t]) == before[t]) << all[t] << " changed";

  request.options.progress = {};
  const auto summary = importVCardFile(cards, request);
  EXPECT_EQ(summary.added, std::size_t{kContacts});
  EXPECT_EQ(summary.birthdaysAdded, std::size_t{kContacts});
  EXPECT_EQ(summary.sectionsAdded, 7u);
  EXPECT_EQ(readAll(o / phones).size(), kContacts + 3u);
  EXPECT_EQ(readAll(o / dates).size(), std::size_t{kContacts});
}

TEST(Import, BadFilesGiveAClearErrorAndChangeNothing) {
  Organizer o;
  insertAll(o / phones, samplePhones());
  insertAll(o / tasks, {{Date{739650}, Time{0}, text("keep"), false, null}});
  const auto phonesBefore = readBytes(o / phones);
  const auto tasksBefore = readBytes(o / tasks);
  const std::string card = "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:New\r\nEND:VCARD\r\n";
  const std::string todo =
      "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN:VTODO\r\nDUE:20260101T080000\r\n"
      "SUMMARY:x\r\nEND:VTODO\r\nEND:VCALENDAR\r\n";
  std::string longLine;
  longLine.resize(10'000'000, 'x');
  std::string binary = card;
  binary[20] = '\0';
  const std::map<std::string, std::pair<std::string, std::string>> vcards = {
      {"binary", {binary, "binary data"}},
      {"10 MB line", {card + "NOTE:" + longLine + "\r\n", "line 5 is "}},
      {"UTF-16 of no contact",
       {std::string("\xff\xfe"
                    "B\0E\0",
                    6),
        "no contact"}},
      {"no contact", {"Subject: hello\n", "no contact"}},
  };
  for (const auto& [what, file] : vcards) {
    try {
      importVCardFile(file.first, into(o / phones));
      ADD_FAILURE() << what << ": imported";
    } catch (const ExchangeError& e) {
      EXPECT_NE(std::string(e.what()).find(file.second), std::string::npos)
          << what << ": " << e.what();
    }
  }
  const std::map<std::string, std::pair<std::string, std::string>> calendars = {
      {"cut short", {todo.substr(0, todo.size() - 20), "cut short"}},
      {"not UTF-8", {"BEGIN:VCALENDAR\r\nSUMMARY:\xff\r\nEND:VCALENDAR\r\n", "line 2"}},
      {"binary", {std::string("BEGIN:VCALENDAR\0", 16), "binary data"}},
  };
  for (const auto& [what, file] : calendars) {
    try {
      importCalendarFile(file.first, into(o / tasks));
      ADD_FAILURE() << what << ": imported";
    } catch (const ExchangeError& e) {
      EXPECT_NE(std::string(e.what()).find(file.second), std::string::npos)
          << what << ": " << e.what();
    }
  }
  EXPECT_TRUE(readBytes(o / phones) == phonesBefore) << "the table changed";
  EXPECT_TRUE(readBytes(o / tasks) == tasksBefore) << "the table changed";
}

}  // namespace
}  // namespace torvelle::exchange
