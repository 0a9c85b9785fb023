// Files as phones, mail programs and calendars write them: each item is
// decided on its own, and a whole file is refused only when it is not one.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>

#include "common/TempDir.h"
#include "engine/FieldText.h"
#include "engine/ShippedTables.h"
#include "engine/format/TableFile.h"
#include "exchange/CsvTable.h"
#include "exchange/Exchange.h"
#include "exchange/TextInput.h"

namespace torvelle::exchange {
namespace {

namespace fs = std::filesystem;
using format::Record;
using format::Time;
using testing::readBytes;
using testing::TempDir;

struct Organizer {
  Organizer() { engine::createShippedTables(dir.path()); }
  fs::path operator/(const char* table) const { return dir.path() / table; }
  TempDir dir;
};

std::string fixture(const char* name) {
  return readBytes(fs::path(TORVELLE_EXCHANGE_FIXTURES) / name);
}

ImportRequest rest(const fs::path& table) {
  ImportRequest request;
  request.table = table;
  request.options.skipRefused = true;
  return request;
}

std::string textOf(const Record& r, std::size_t f) {
  const auto* s = std::get_if<std::string>(&r[f]);
  return s ? *s : std::string();
}

// Name -> the record, of a phone book.
std::map<std::string, Record> byName(const fs::path& table) {
  std::map<std::string, Record> out;
  for (auto& r : format::TableFile::open(table, {})->readAll()) out[textOf(r, 1)] = r;
  return out;
}

bool anyContains(const std::vector<std::string>& lines, const std::string& part) {
  return std::any_of(lines.begin(), lines.end(),
                     [&](const std::string& l) { return l.find(part) != std::string::npos; });
}

constexpr std::size_t kHome = 2, kWork = 3, kCell = 8, kEmail = 10;

TEST(RealFiles, ContactsArriveOneByOneAndTheRefusedCanBeSavedAsTheyWere) {
  Organizer o;
  const auto phones = o / "DB/Phones/Phones.db";
  auto summary = importVCardFile(fixture("phone-backup-2.1.vcf"), rest(phones));
  EXPECT_EQ(summary.added, 4u);
  ASSERT_EQ(summary.refused.size(), 2u);
  EXPECT_TRUE(anyContains(summary.refused, "unknown character set \"X-MAC-NONSENSE\""));
  EXPECT_TRUE(anyContains(summary.refused, "cut short"));
  EXPECT_EQ(summary.notStored["placeholder birthday"], 2u);
  const std::string saved = refusedItemsText(summary);
  EXPECT_NE(saved.find("FN;CHARSET=X-MAC-NONSENSE:Bob\r\nEND:VCARD"), std::string::npos) << saved;
  EXPECT_NE(saved.find("FN:Cut Short\r\nTEL;CELL:+49 170"), std::string::npos) << saved;

  summary = importVCardFile(fixture("nokia-2.1-undeclared-1251.vcf"), rest(phones));
  EXPECT_EQ(summary.added, 2u);
  EXPECT_TRUE(anyContains(summary.notes, "Windows-1251"));
  EXPECT_EQ(importVCardFile(fixture("desktop-3.0-utf16.vcf"), rest(phones)).added, 1u);

  auto stored = byName(phones);
  // A quoted-printable name begun on the next line and broken inside a
  // character; vendor phone kinds; names from the company and the address.
  ASSERT_TRUE(stored.contains("Пётр Иванов"));
  EXPECT_EQ(textOf(stored["Пётр Иванов"], kCell), "+7 916 123-45-67");
  EXPECT_EQ(textOf(stored["Пётр Иванов"], kHome), "+7 495 000-00-00");
  EXPECT_EQ(textOf(stored["Пётр Иванов"], kWork), "8 800 100");
  EXPECT_EQ(textOf(stored["Acme Widgets"], kEmail), "sales@acme.example");
  EXPECT_TRUE(stored.contains("only.mail@example.org"));
  EXPECT_EQ(textOf(stored["Сидорова Анна"], kCell), "+7 921 555");  // KOI8-R through iconv
  EXPECT_TRUE(stored.contains("Козлов Игорь"));
  EXPECT_EQ(textOf(stored["Ірина Шевченко"], kWork), "+380 44 123 4567");
}

TEST(RealFiles, AddressBookCsvLayoutsDialectsAndRowsWithoutAHeader) {
  Organizer o;
  const auto phones = o / "DB/Phones/Phones.db";
  const auto csv = [&](const char* name) {
    const std::string text = fixture(name);
    return importPreparedRows(
        [&](const format::TableInfo& info, ImportSummary& s) {
          static std::string kept;
          kept = readTextInput(text);
          return csvRows(kept, info, s);
        },
        rest(phones));
  };
  EXPECT_EQ(csv("google-contacts.csv").added, 3u);
  EXPECT_EQ(csv("outlook-semicolon-utf16.csv").added, 2u);
  EXPECT_EQ(csv("thunderbird-contacts.csv").added, 1u);
  const auto headerless = csv("headerless-contacts.csv");
  EXPECT_EQ(headerless.added, 2u);
  EXPECT_TRUE(anyContains(headerless.notes, "no header row"));

  auto stored = byName(phones);
  const auto& anna = stored["Anna Berg"];
  EXPECT_EQ(textOf(anna, 0), "Friends");  // Google's own group left aside
  EXPECT_EQ(textOf(anna, kCell), "+46 70 123 45 67");
  EXPECT_EQ(textOf(anna, 7), "Storgatan 1\r\n111 22 Stockholm");  // quoted over two lines
  EXPECT_EQ(textOf(stored["Nordic Tools AB"], kEmail), "info@nordic.example");
  EXPECT_EQ(textOf(stored["Lars Lund"], kCell), "+46 73 555");  // a short row
  EXPECT_EQ(textOf(stored["Олег Петров"], 0), "Работа");
  EXPECT_EQ(textOf(stored["Олег Петров"], kWork), "+7 495 222");
  EXPECT_EQ(textOf(stored["Karl Meier"], kEmail), "karl@example.de");
  EXPECT_EQ(textOf(stored["Olga Vik"], kEmail), "olga@example.no");

  const auto tasks = o / "DB/Tasks/Tasks.db";
  const std::string text = fixture("tasks-month-first.csv");
  const auto summary = importPreparedRows(
      [&](const format::TableInfo& info, ImportSummary& s) { return csvRows(text, info, s); },
      rest(tasks));
  EXPECT_EQ(summary.added, 2u);
  EXPECT_TRUE(anyContains(summary.notes, "month/day/year"));
  const auto records = format::TableFile::open(tasks, {})->readAll();
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0][0], format::Value(*engine::dayFromCivil(2026, 3, 14)));
}

TEST(RealFiles, CalendarEventsAndToDosGoToTasksAndDatesDespiteDamage) {
  Organizer o;
  const auto tasks = o / "DB/Tasks/Tasks.db";
  auto summary = importCalendarFile(fixture("outlook-mixed.ics"), rest(tasks));
  EXPECT_EQ(summary.added, 6u);
  EXPECT_EQ(summary.skipped, 1u);  // the same to-do twice
  EXPECT_GE(summary.notStored["property libical cannot read"], 3u);
  EXPECT_EQ(summary.notStored["time zone with rules no real zone has (its times taken as written)"],
            1u);
  std::map<std::string, Record> byTask;
  for (auto& r : format::TableFile::open(tasks, {})->readAll()) byTask[textOf(r, 2)] = r;
  EXPECT_TRUE(format::isNull(byTask["No date at all"][0]));
  EXPECT_TRUE(format::isNull(byTask["Conference"][1]));  // all day
  EXPECT_EQ(byTask["Standup"][1], format::Value(Time{9 * 3600000}));
  EXPECT_EQ(byTask["Same minute B"][1], format::Value(Time{10 * 3600000 + 1}));

  summary = importCalendarFile(fixture("outlook-mixed.ics"), rest(o / "DB/Dates/Dates.db"));
  EXPECT_EQ(summary.added, 2u);
  EXPECT_EQ(summary.notStored["to-do (the dates book takes events)"], 5u);
}

std::string calendar(const std::string& body) {
  return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\n" + body + "END:VCALENDAR\r\n";
}

TEST(RealFiles, HostileCalendarsEndInBoundedTimeWithAClearOutcome) {
  Organizer o;
  const auto tasks = o / "DB/Tasks/Tasks.db";
  std::string nested;
  for (int i = 0; i < 300'000; ++i) nested += "BEGIN:VTODO\r\n";
  auto summary = importCalendarFile(calendar(nested), rest(tasks));
  EXPECT_EQ(summary.added, 0u);
  ASSERT_EQ(summary.refused.size(), 1u);
  EXPECT_NE(summary.refused[0].find("nested deeper"), std::string::npos);

  std::string zone = "BEGIN:VTIMEZONE\r\nTZID:Z\r\n";
  for (int i = 0; i < 100; ++i) {
    zone +=
        "BEGIN:STANDARD\r\nDTSTART:19700101T000000\r\nRRULE:FREQ=YEARLY;COUNT=2000000000\r\n"
        "TZOFFSETFROM:+0100\r\nTZOFFSETTO:+0100\r\nEND:STANDARD\r\n";
  }
  zone +=
      "END:VTIMEZONE\r\nBEGIN:VTODO\r\nDUE;TZID=Z:20260101T100000\r\nSUMMARY:z\r\nEND:VTODO\r\n";
  // A rule behind a parameter, and a yearly rule that names every day.
  for (const std::string rule : {"RRULE;X-A=B:FREQ=MINUTELY",
                                 "RRULE:FREQ=YEARLY;BYMONTH=1,2,3,4,5,6,7,8,9,10,11,12;"
                                 "BYMONTHDAY=1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20,"
                                 "21,22,23,24,25,26,27,28,29,30,31"}) {
    zone += "BEGIN:VTIMEZONE\r\nTZID:Y\r\nBEGIN:STANDARD\r\nDTSTART:00010101T000000\r\n" + rule +
            "\r\nTZOFFSETFROM:+0100\r\nTZOFFSETTO:+0200\r\nEND:STANDARD\r\nEND:VTIMEZONE\r\n"
            "BEGIN:VTODO\r\nDUE;TZID=Y:20260101T100000\r\nSUMMARY:" +
            rule.substr(0, 12) + "\r\nEND:VTODO\r\n";
  }
  // A real zone as older Outlooks write it, from 1601 with the last Sunday
  // spelt as seven month days, is kept.
  zone +=
      "BEGIN:VTIMEZONE\r\nTZID:W. Europe\r\nBEGIN:STANDARD\r\nDTSTART:16010101T030000\r\n"
      "RRULE:FREQ=YEARLY;BYMONTH=10;BYMONTHDAY=25,26,27,28,29,30,31;BYDAY=SU\r\n"
      "TZOFFSETFROM:+0200\r\nTZOFFSETTO:+0100\r\nEND:STANDARD\r\nBEGIN:DAYLIGHT\r\n"
      "DTSTART:16010101T020000\r\nRRULE:FREQ=YEARLY;BYMONTH=3;BYDAY=-1SU\r\n"
      "TZOFFSETFROM:+0100\r\nTZOFFSETTO:+0200\r\nEND:DAYLIGHT\r\nEND:VTIMEZONE\r\n"
      "BEGIN:VTODO\r\nDUE;TZID=W. Europe:20260101T100000\r\nSUMMARY:w\r\nEND:VTODO\r\n";
  summary =
      importCalendarFile(calendar(zone + "BEGIN:VTODO\r\nDUE:20260101T100000\r\nDESCRIPTION:" +
                                  std::string(1 << 20, 'x') + "\r\nEND:VTODO\r\n"),
                         rest(tasks));
  EXPECT_EQ(summary.added, 5u);
  EXPECT_EQ(summary.notStored.size(), 2u);  // the bad zones, the cut text
  EXPECT_EQ(summary.notStored["time zone with rules no real zone has (its times taken as written)"],
            3u);

  // Many all-day to-dos on one day each find a time of their own.
  std::string many;
  for (int i = 0; i < 8000; ++i) {
    many += "BEGIN:VTODO\r\nDUE;VALUE=DATE:20260301\r\nSUMMARY:t" + std::to_string(i) +
            "\r\nEND:VTODO\r\n";
  }
  EXPECT_EQ(importCalendarFile(calendar(many), rest(tasks)).added, 8000u);
}

}  // namespace
}  // namespace torvelle::exchange
