// torvelle-db run as a process, the way users and the build run it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "ToolHarness.h"
#include "common/Samples.h"
#include "engine/DbError.h"
#include "engine/ShippedTables.h"
#include "engine/format/TableFile.h"
#include "support/CodePage.h"

namespace torvelle::tools {
namespace {

namespace fs = std::filesystem;
using format::Binary;
using format::Date;
using format::Decimal;
using format::FieldDef;
using format::FieldType;
using format::Record;
using format::TableFile;
using format::Time;
using format::Timestamp;
using format::Value;
using test::readFile;
using test::runTool;
using test::TempDir;
using test::writeFile;

bool contains(const std::string& text, std::string_view part) {
  return text.find(part) != std::string::npos;
}

std::vector<Record> readTable(const fs::path& path, std::vector<std::string> passwords = {}) {
  format::OpenOptions options;
  options.passwords = std::move(passwords);
  return TableFile::open(path, options)->readAll();
}

void insertAll(const fs::path& path, const std::vector<Record>& records) {
  format::OpenOptions options;
  options.writable = true;
  const auto table = TableFile::open(path, options);
  for (const auto& r : records) table->insert(r);
}

// One field of every type that has a text form, keyed on the first.
const std::vector<FieldDef>& everyTypeFields() {
  static const std::vector<FieldDef> fields = {
      {"Id", FieldType::Long, 4},       {"Name", FieldType::Alpha, 40},
      {"Note", FieldType::Memo, 20},    {"Day", FieldType::Date, 4},
      {"At", FieldType::Time, 4},       {"Stamp", FieldType::Timestamp, 8},
      {"Amount", FieldType::Number, 8}, {"Price", FieldType::Currency, 8},
      {"Count", FieldType::Short, 2},   {"Flag", FieldType::Logical, 1},
      {"Dec", FieldType::Bcd, 2},       {"Raw", FieldType::Bytes, 4},
      {"Blob", FieldType::Binary, 12},
  };
  return fields;
}

std::vector<Record> everyTypeRecords() {
  const Value null;
  std::string longMemo;
  for (int i = 0; i < 300; ++i) longMemo += "Строка " + std::to_string(i) + ", \"в кавычках\"\n";
  return {
      {std::int32_t{1}, std::string("Иванов, \"Ваня\""), longMemo, Date{1}, Time{0},
       Timestamp{86400001.0}, 0.1, -200.0, std::int32_t{-32767}, true, Decimal{"-12.30"},
       Binary{std::string("\x01\x00\xfe\xff", 4)}, Binary{std::string(3000, '\x7f')}},
      {std::int32_t{2}, null, null, null, null, null, null, null, null, null, null, null, null},
      {std::int32_t{3}, std::string("two\nlines, \r\nand a comma"), std::string("short, \"q\""),
       Date{3652059}, Time{86399999}, Timestamp{63716202001250.0}, 1e-300, 1234.56,
       std::int32_t{32767}, false, Decimal{"0.05"}, Binary{"abcd"}, Binary{"xy"}},
      {std::int32_t{4}, std::string("Ёжик в тумане  "), std::string(700, 'z'), Date{738945},
       Time{30600000}, Timestamp{0.0}, -0.5, 0.0, std::int32_t{0}, true, Decimal{"123456.78"}, null,
       null},
  };
}

class DbTool : public ::testing::Test {
 protected:
  // create takes the code page of the user's language: a Cyrillic one here,
  // whatever the machine's.
  DbTool() { setenv("LC_ALL", "ru_RU.UTF-8", 1); }
  ~DbTool() override { unsetenv("LC_ALL"); }

  TempDir dir;

  test::ProcessResult tool(const std::vector<std::string>& args) {
    return runTool(args, dir.path());
  }

  fs::path makeEveryTypeTable(const std::string& name) {
    fs::path path = dir / (name + ".db");
    TableFile::create(path, everyTypeFields(), 1);
    return path;
  }
};

TEST_F(DbTool, CreateGivesTheSevenShippedTablesThatCheckPasses) {
  const auto result = tool({"create", dir.path().string()});
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.err, "");
  ASSERT_EQ(engine::shippedTables().size(), 7u);
  for (const auto& shipped : engine::shippedTables()) {
    const fs::path path = dir / shipped.relativePath;
    ASSERT_TRUE(fs::exists(path)) << path;
    const auto check = tool({"check", path.string()});
    EXPECT_EQ(check.status, 0) << path << ": " << check.err;
    EXPECT_TRUE(contains(check.out, "OK")) << check.out;

    const auto table = TableFile::open(path, {});
    const auto& info = table->info();
    EXPECT_EQ(table->recordCount(), 0u);
    EXPECT_EQ(info.keyFieldCount, shipped.keyFieldCount) << path;
    EXPECT_EQ(info.codePage, 1251) << path;
    EXPECT_FALSE(info.encrypted);
    ASSERT_EQ(info.fields.size(), shipped.fields.size()) << path;
    for (std::size_t i = 0; i < info.fields.size(); ++i) {
      EXPECT_EQ(info.fields[i].name, shipped.fields[i].name) << path;
      EXPECT_EQ(info.fields[i].type, shipped.fields[i].type)
          << path << " " << shipped.fields[i].name;
      EXPECT_EQ(info.fields[i].size, shipped.fields[i].size)
          << path << " " << shipped.fields[i].name;
    }
  }
}

TEST_F(DbTool, CreateTakesTheLanguagesCodePageAndInfoAndCheckNameIt) {
  setenv("LC_ALL", "de_DE.UTF-8", 1);
  ASSERT_EQ(tool({"create", (dir / "de").string()}).status, 0);
  const std::string phones = (dir / "de/DB/Phones/Phones.db").string();
  const auto info = tool({"info", phones});
  EXPECT_TRUE(contains(info.out, "Code page:      1252\nSort order:     ANSIINTL (0x62)\n"))
      << info.out;
  const auto check = tool({"check", phones});
  EXPECT_TRUE(contains(check.out, "code page 1252, sort order ANSIINTL (0x62)")) << check.out;

  const auto greek = tool({"create", (dir / "el").string(), "--code-page", "1253"});
  ASSERT_EQ(greek.status, 0) << greek.err;
  EXPECT_EQ(TableFile::open(dir / "el/DB/Tasks/Tasks.db", {})->info().sortName, "angreek1");
  const auto refused = tool({"create", (dir / "dos").string(), "--code-page", "866"});
  EXPECT_EQ(refused.status, 1);
  EXPECT_FALSE(fs::exists(dir / "dos/DB"));
}

TEST_F(DbTool, CreateAgainLeavesExistingTablesAndRecordsAlone) {
  ASSERT_EQ(tool({"create", dir.path().string()}).status, 0);
  const fs::path sections = dir / "DB/Phones/PhoneSections.db";
  insertAll(sections, {{std::string("Друзья")}});
  const auto again = tool({"create", dir.path().string()});
  ASSERT_EQ(again.status, 0) << again.err;
  const auto records = readTable(sections);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(std::get<std::string>(records[0][0]), "Друзья");
}

TEST_F(DbTool, DumpThenImportGivesTheSameRecordsOverEveryType) {
  const fs::path source = makeEveryTypeTable("source");
  const auto records = everyTypeRecords();
  insertAll(source, records);
  ASSERT_EQ(readTable(source), records) << "the file layer itself does not round-trip";

  const auto dump = tool({"dump", source.string(), "--csv"});
  ASSERT_EQ(dump.status, 0) << dump.err;
  EXPECT_TRUE(
      dump.out.starts_with("Id,Name,Note,Day,At,Stamp,Amount,Price,Count,Flag,Dec,Raw,Blob\n"))
      << dump.out.substr(0, 200);
  EXPECT_TRUE(contains(dump.out, "\n2,,,,,,,,,,,,\n")) << "null record";
  EXPECT_TRUE(contains(dump.out,
                       "0001-01-01,00:00:00,0001-01-01T00:00:00.001,0.1,-200,-32767,"
                       "true,-12.30,0100feff,"))
      << "first record's values";
  EXPECT_TRUE(contains(dump.out,
                       "9999-12-31,23:59:59.999,2020-02-01T01:00:01.250,1e-300,1234.56,"
                       "32767,false,0.05,61626364,7879\n"));
  const fs::path csv = dir / "dump.csv";
  writeFile(csv, dump.out);

  const fs::path target = makeEveryTypeTable("target");
  const auto import = tool({"import", target.string(), csv.string()});
  ASSERT_EQ(import.status, 0) << import.err;
  EXPECT_TRUE(contains(import.out, "4 records")) << import.out;
  EXPECT_EQ(readTable(target), records);

  const auto again = tool({"dump", target.string()});
  EXPECT_EQ(again.out, dump.out);
}

TEST_F(DbTool, JsonDumpIsAnArrayOfEscapedObjects) {
  const fs::path path = makeEveryTypeTable("json");
  const Value null;
  insertAll(path, {{std::int32_t{7}, std::string("a \"b\"\\\nc"), null, Date{738960}, Time{3601000},
                    null, 2.5, null, std::int32_t{-3}, false, Decimal{"-0.50"},
                    Binary{std::string("\x00\x10\x20\x30", 4)}, null}});
  const auto dump = tool({"dump", path.string(), "--json"});
  ASSERT_EQ(dump.status, 0) << dump.err;
  EXPECT_EQ(dump.out,
            "[\n  {\"Id\": 7, \"Name\": \"a \\\"b\\\"\\\\\\nc\", \"Note\": null, "
            "\"Day\": \"2024-03-15\", \"At\": \"01:00:01\", \"Stamp\": null, \"Amount\": 2.5, "
            "\"Price\": null, \"Count\": -3, \"Flag\": false, \"Dec\": -0.50, "
            "\"Raw\": \"00102030\", \"Blob\": null}\n]\n");

  const fs::path empty = makeEveryTypeTable("empty");
  EXPECT_EQ(tool({"dump", empty.string(), "--json"}).out, "[]\n");
}

class DbToolImport : public DbTool {
 protected:
  fs::path table;
  void SetUp() override {
    table = dir / "Events.db";
    TableFile::create(table,
                      {{"Section", FieldType::Alpha, 30},
                       {"Date", FieldType::Date, 4},
                       {"Note", FieldType::Memo, 20}},
                      1);
  }
  std::vector<std::string> sections() {
    std::vector<std::string> names;
    for (const auto& r : readTable(table)) names.push_back(std::get<std::string>(r[0]));
    return names;
  }
  test::ProcessResult import(std::string_view csv) {
    writeFile(dir / "in.csv", csv);
    return tool({"import", table.string(), (dir / "in.csv").string()});
  }
};

TEST_F(DbToolImport, KeysTheFileRepeatsAreSkippedAndKeysTheTableHoldsStopTheImport) {
  const std::string csv =
      "section,DATE\n"  // names match without regard to case
      "A,2024-01-01\nB,\nC,2024-01-03\nB,2024-01-04\nD,2024-01-05\n";
  auto result = import(csv);
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_TRUE(contains(result.out, "Added 4 records")) << result.out;
  EXPECT_TRUE(contains(result.out, "key of an earlier one in the file: 1")) << result.out;
  EXPECT_EQ(sections(), (std::vector<std::string>{"A", "B", "C", "D"}));

  const auto before = readTable(table);
  result = import(csv);
  EXPECT_EQ(result.status, 1);
  EXPECT_TRUE(contains(result.err, "line 2: Key violation.")) << result.err;
  EXPECT_TRUE(contains(result.err, "nothing was imported")) << result.err;
  EXPECT_EQ(readTable(table), before);

  result = tool({"import", table.string(), (dir / "in.csv").string(), "--skip-existing"});
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_TRUE(contains(result.out, "skipped 5 already there")) << result.out;
}

TEST_F(DbToolImport, InvalidValueNamesLineAndColumnAfterMultiLineRecords) {
  const auto result = import(
      "Section,Note,Date\n"
      "A,\"memo over\nthree\nlines\",2024-02-29\n"
      "B,x,2023-02-29\n"
      "C,y,2023-03-01\n");
  EXPECT_EQ(result.status, 1);
  EXPECT_TRUE(contains(result.err, "line 5: column 3 (Date)")) << result.err;
  EXPECT_TRUE(contains(result.err, "2023-02-29")) << result.err;
  EXPECT_EQ(sections(), std::vector<std::string>{});
}

TEST_F(DbToolImport, BadHeaderOrShapeImportsNothingFurther) {
  auto result = import("Section,Nope\nA,1\n");
  EXPECT_EQ(result.status, 1);
  EXPECT_TRUE(contains(result.err, "Nope")) << result.err;

  result = import("Section,Date\nA,2024-01-01\nB,2024-01-02,x\n");
  EXPECT_EQ(result.status, 1);
  EXPECT_TRUE(contains(result.err, "line 3")) << result.err;

  result = import("Section\n\"C\n");
  EXPECT_EQ(result.status, 1);
  EXPECT_TRUE(contains(result.err, "line 2")) << result.err;
  EXPECT_EQ(sections(), std::vector<std::string>{});

  result = tool({"import", table.string(), (dir / "missing.csv").string()});
  EXPECT_EQ(result.status, 1);
  EXPECT_TRUE(contains(result.err, "missing.csv")) << result.err;
}

TEST_F(DbToolImport, TextOutsideTheCodePageIsRefusedNotMangled) {
  auto result = import("Section\nЯ\n漢字\nZ\nMüller\n");
  EXPECT_EQ(result.status, 1);
  EXPECT_TRUE(contains(result.err, "line 3: Section \"漢字\"")) << result.err;
  EXPECT_TRUE(contains(result.err, "line 5: Section \"Müller\": The character \"ü\""))
      << result.err;
  EXPECT_EQ(sections(), std::vector<std::string>{});

  result = tool({"import", table.string(), (dir / "in.csv").string(), "--skip-refused"});
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_TRUE(contains(result.out, "Refused 2 records:\n  line 3")) << result.out;
  EXPECT_EQ(sections(), (std::vector<std::string>{"Z", "Я"}));
}

TEST_F(DbToolImport, FoldedAccentsAreStoredPlainAndListedOthersStillRefused) {
  writeFile(dir / "in.csv", "Section\nMüller\nGroß\n漢字\nZ\n");
  const auto result = tool(
      {"import", table.string(), (dir / "in.csv").string(), "--fold-accents", "--skip-refused"});
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_TRUE(contains(result.out,
                       "Stored 2 records with letters without their accents:\n"
                       "  line 2: Section \"Müller\" as \"Muller\"\n"
                       "  line 3: Section \"Groß\" as \"Gross\"\n"))
      << result.out;
  EXPECT_TRUE(contains(result.out, "Refused 1 record:\n  line 4")) << result.out;
  EXPECT_EQ(sections(), (std::vector<std::string>{"Gross", "Muller", "Z"}));
}

// Cyrillic text written in 1251 bytes into a table whose header says 1252.
TEST_F(DbTool, LyingCodePageIsHintedReadAsToldAndMendedByRecode) {
  const fs::path path = dir / "Old.db";
  TableFile::create(path, {{"Name", FieldType::Alpha, 20}}, 1, 1252);
  const auto lie = [](const std::string& text) {
    return support::toUtf8(support::fromUtf8(text, 1251), 1252);
  };
  insertAll(path, {{lie("Жуков")}, {lie("Ёлкина Анна")}});

  auto result = tool({"check", path.string()});
  EXPECT_EQ(result.status, 0);
  EXPECT_TRUE(contains(result.out, "hint: the text reads as Cyrillic words of code page 1251"))
      << result.out;
  // In the key order of the header's sort order, whichever comes first.
  result = tool({"dump", path.string(), "--read-as", "1251"});
  EXPECT_TRUE(result.out == "Name\nЁлкина Анна\nЖуков\n" ||
              result.out == "Name\nЖуков\nЁлкина Анна\n")
      << result.out;

  const std::string before = readFile(path);
  result = tool({"recode", path.string(), "--code-page", "1251"});
  EXPECT_EQ(result.status, 1);
  EXPECT_TRUE(
      contains(result.err, "field \"Name\" \"Æóêîâ\": Æ, ó, ê, î, â not in code page 1251\n"))
      << result.err;
  EXPECT_TRUE(
      contains(result.err, "2 texts cannot be held in code page 1251; nothing was changed"));
  EXPECT_EQ(readFile(path), before);

  result = tool({"recode", path.string(), "--read-as", "1251", "--code-page", "1251"});
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(readTable(path),
            (std::vector<Record>{{std::string("Ёлкина Анна")}, {std::string("Жуков")}}));
  result = tool({"check", path.string()});
  EXPECT_FALSE(contains(result.out, "hint")) << result.out;
  EXPECT_TRUE(fs::exists(dir / "Old.db.cp1252"));
}

// Address-book columns, dates and times as people type them, export by section.
TEST_F(DbTool, AddressBookCsvAndLooseValuesGoInAndASectionComesOut) {
  engine::createShippedTables(dir.path());
  const fs::path phones = dir / "DB/Phones/Phones.db";
  writeFile(dir / "outlook.csv",
            "First Name,Last Name,Mobile Phone,E-mail Address,Categories,Job Title\n"
            "Peter,Smith,+1 555 0100,peter@example.com,Friends;Work,CEO\n"
            "Анна,,,,,\n");
  auto result = tool({"import", phones.string(), (dir / "outlook.csv").string()});
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_TRUE(contains(result.out, "column \"Job Title\": 1")) << result.out;
  const Value null;
  // Each contact also got an identity of its own, after the designed fields.
  auto contacts = readTable(phones);
  for (auto& r : contacts) {
    EXPECT_TRUE(std::holds_alternative<std::string>(r.back()));
    r.pop_back();
  }
  EXPECT_EQ(contacts,
            (std::vector<Record>{
                {std::string("Friends"), std::string("Peter Smith"), null, null, null, null, null,
                 null, std::string("+1 555 0100"), null, std::string("peter@example.com"), null},
                {std::string("Imported"), std::string("Анна"), null, null, null, null, null, null,
                 null, null, null, null}}));
  result =
      tool({"export", phones.string(), (dir / "friends.vcf").string(), "--section", "Friends"});
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_TRUE(contains(result.out, "Exported 1 record")) << result.out;
  EXPECT_TRUE(contains(readFile(dir / "friends.vcf"), "\r\nFN:Peter Smith\r\n"));

  const fs::path tasks = dir / "DB/Tasks/Tasks.db";
  writeFile(dir / "tasks.csv", "Date,Time,Task\n1.2.2026,8:00,a\n2026-02-01,08:00:00.5,b\n");
  result = tool({"import", tasks.string(), (dir / "tasks.csv").string()});
  ASSERT_EQ(result.status, 0) << result.err;
  const auto day = std::get<Date>(readTable(tasks)[0][0]);
  EXPECT_EQ(readTable(tasks)[1][0], Value(day));
  EXPECT_EQ(readTable(tasks)[0][1], Value(Time{8 * 3600000}));
  EXPECT_EQ(readTable(tasks)[1][1], Value(Time{8 * 3600000 + 500}));
  // A day over 12 tells the order of every slashed date in the file.
  writeFile(dir / "tasks.csv", "Date,Time,Task\n13/1/2026,8:00,c\n1/2/2026,9:00,d\n");
  result = tool({"import", tasks.string(), (dir / "tasks.csv").string()});
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_TRUE(contains(result.out, "day/month/year")) << result.out;
  EXPECT_EQ(readTable(tasks).back()[0], Value(day));
}

TEST_F(DbTool, ProtectedTableNeedsItsPassword) {
  const fs::path path = makeEveryTypeTable("secret");
  const auto records = everyTypeRecords();
  insertAll(path, records);

  auto result = tool({"password", path.string(), "--new", "s3cret"});
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_TRUE(TableFile::isProtected(path));

  for (const auto& command : {"dump", "info", "check"}) {
    result = tool({command, path.string()});
    EXPECT_EQ(result.status, 1) << command;
    EXPECT_TRUE(contains(result.err, "--password")) << command << ": " << result.err;
    EXPECT_EQ(result.out, "") << command;
    result = tool({command, path.string(), "--password", "wrong"});
    EXPECT_EQ(result.status, 1) << command;
    result = tool({command, path.string(), "--password", "s3cret"});
    EXPECT_EQ(result.status, 0) << command << ": " << result.err;
  }
  EXPECT_EQ(readTable(path, {"s3cret"}), records);
  writeFile(dir / "more.csv", "Id,Name\n9,added\n");
  EXPECT_EQ(tool({"import", path.string(), (dir / "more.csv").string()}).status, 1);
  result = tool({"import", path.string(), (dir / "more.csv").string(), "--password", "s3cret"});
  ASSERT_EQ(result.status, 0) << result.err;
  auto expected = records;
  expected.push_back(Record(everyTypeFields().size()));
  expected.back()[0] = std::int32_t{9};
  expected.back()[1] = std::string("added");
  EXPECT_EQ(readTable(path, {"s3cret"}), expected);

  result = tool({"password", path.string(), "--password", "s3cret", "--new", "other"});
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(tool({"dump", path.string(), "--password", "s3cret"}).status, 1);
  EXPECT_EQ(tool({"dump", path.string(), "--password=other"}).status, 0);

  result = tool({"password", path.string(), "--remove"});
  EXPECT_EQ(result.status, 1) << "removing needs the current password";
  result = tool({"password", path.string(), "--password", "other", "--remove"});
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_FALSE(TableFile::isProtected(path));
  EXPECT_EQ(readTable(path), expected);
}

TEST_F(DbTool, PackKeepsEveryRecordAndTheTablePassesCheck) {
  const fs::path path = makeEveryTypeTable("pack");
  const auto records = everyTypeRecords();
  insertAll(path, records);
  {
    format::OpenOptions options;
    options.writable = true;
    TableFile::open(path, options)->remove(0);
  }
  const auto result = tool({"pack", path.string()});
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(tool({"check", path.string()}).status, 0);
  EXPECT_EQ(readTable(path), std::vector<Record>(records.begin() + 1, records.end()));
}

// A backup restored onto a new disk: the folder does not exist yet and is
// made owner-only, the way the data folder is; a refused archive makes none.
TEST_F(DbTool, RestoreIntoAFolderThatDoesNotExistYetMakesItPrivate) {
  const fs::path old = dir / "old";
  ASSERT_EQ(tool({"create", old.string()}).status, 0);
  insertAll(old / "DB/Phones/PhoneSections.db", {{std::string("Друзья")}});
  auto result = tool({"backup", old.string()});
  ASSERT_EQ(result.status, 0) << result.err;
  const std::string archive = result.out.substr(0, result.out.find('\n'));

  writeFile(dir / "junk.zip", "no archive");
  const fs::path fresh = dir / "new disk/torvelle";
  EXPECT_EQ(tool({"restore", (dir / "junk.zip").string(), fresh.string()}).status, 1);
  EXPECT_FALSE(fs::exists(dir / "new disk"));

  result = tool({"restore", archive, fresh.string()});
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(fs::status(fresh).permissions() & fs::perms::all, fs::perms::owner_all);
  for (const auto& shipped : engine::shippedTables())
    EXPECT_EQ(readFile(fresh / shipped.relativePath), readFile(old / shipped.relativePath))
        << shipped.relativePath;
  EXPECT_EQ(readTable(fresh / "DB/Phones/PhoneSections.db").size(), 1u);
}

TEST_F(DbTool, UsageAndArgumentErrors) {
  auto result = tool({});
  EXPECT_EQ(result.status, 1);
  EXPECT_TRUE(contains(result.err, "Usage:"));
  result = tool({"--help"});
  EXPECT_EQ(result.status, 0);
  EXPECT_TRUE(contains(result.out, "Usage:"));
  EXPECT_TRUE(contains(result.out, "hex"));
  EXPECT_EQ(result.err, "");

  const fs::path path = makeEveryTypeTable("args");
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"frobnicate", path.string()},
        {"dump"},
        {"dump", path.string(), "--csv", "--json"},
        {"dump", path.string(), "--bogus"},
        {"check", path.string(), "--csv"},
        {"password", path.string()},
        {"password", path.string(), "--new", "x", "--remove"},
        {"import", path.string()},
        {"dump", path.string(), "--password"}}) {
    result = tool(args);
    EXPECT_EQ(result.status, 1) << args[0];
    EXPECT_FALSE(result.err.empty()) << args[0];
    EXPECT_EQ(result.out, "") << args[0];
  }
}

TEST_F(DbTool, BadTablesFailWithTheEngineMessage) {
  auto result = tool({"dump", (dir / "absent.db").string()});
  EXPECT_EQ(result.status, 1);
  EXPECT_TRUE(contains(result.err, "absent.db")) << result.err;

  writeFile(dir / "text.db", "this is no table at all, just some text in a file\n");
  result = tool({"info", (dir / "text.db").string()});
  EXPECT_EQ(result.status, 1);
  EXPECT_TRUE(contains(result.err, "Not a Paradox table") || contains(result.err, "corrupt"))
      << result.err;

  const fs::path path = makeEveryTypeTable("cut");
  insertAll(path, everyTypeRecords());
  const std::string bytes = readFile(path);
  // Cut inside the records of the first block (the header takes 2048 bytes):
  // a short last block alone is legal, lost records are not.
  writeFile(path, bytes.substr(0, 2048 + 300));
  for (const auto& command : {"dump", "check"}) {
    result = tool({command, path.string()});
    EXPECT_EQ(result.status, 1) << command;
    EXPECT_TRUE(contains(result.err, "corrupt")) << command << ": " << result.err;
  }
}

TEST_F(DbTool, CheckReportsAWrongRecordCount) {
  const fs::path path = makeEveryTypeTable("count");
  insertAll(path, everyTypeRecords());
  std::string bytes = readFile(path);
  bytes[0x06] = static_cast<char>(bytes[0x06] + 1);  // numRecords in the header
  writeFile(path, bytes);
  const auto result = tool({"check", path.string()});
  EXPECT_EQ(result.status, 1);
  EXPECT_FALSE(result.err.empty());
  EXPECT_EQ(result.out, "");
}

TEST_F(DbTool, OutputThatCannotBeWrittenIsAFailure) {
  const fs::path path = makeEveryTypeTable("full");
  insertAll(path, everyTypeRecords());
  const auto result = runTool({"dump", path.string()}, dir.path(), "/dev/full");
  EXPECT_EQ(result.status, 1);
  EXPECT_TRUE(contains(result.err, "cannot write")) << result.err;
}

TEST_F(DbTool, GenuineSampleTablesPassCheck) {
  TORVELLE_NEEDS_SAMPLES();
  const fs::path samples = torvelle::testing::samplesDir();
  int checked = 0;
  for (const auto& entry : fs::recursive_directory_iterator(samples)) {
    std::string ext = entry.path().extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), ::tolower);
    if (ext != ".db") continue;
    // Copies: the samples are read-only and must stay untouched.
    const fs::path copyDir = dir.path() / entry.path().parent_path().filename();
    fs::create_directories(copyDir);
    const std::string stem = entry.path().stem().string();
    for (const auto& sibling : fs::directory_iterator(entry.path().parent_path())) {
      if (sibling.path().stem() == stem) {
        fs::copy_file(sibling.path(), copyDir / sibling.path().filename(),
                      fs::copy_options::overwrite_existing);
      }
    }
    const auto result =
        tool({"check", (copyDir / entry.path().filename()).string(), "--password", "123"});
    EXPECT_EQ(result.status, 0) << entry.path() << ": " << result.err;
    ++checked;
  }
  EXPECT_GE(checked, 28);  // every .DB among the samples
}

// Every genuine table, dumped and imported into a new table of its layout,
// gives the same records: the text forms lose nothing real files hold.
TEST_F(DbTool, GenuineSamplesSurviveDumpAndImport) {
  TORVELLE_NEEDS_SAMPLES();
  const fs::path samples = torvelle::testing::samplesDir();
  int copied = 0;
  for (const auto& entry : fs::recursive_directory_iterator(samples)) {
    std::string ext = entry.path().extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), ::tolower);
    if (ext != ".db") continue;
    format::OpenOptions options;
    options.passwords = {"123"};
    const auto source = TableFile::open(entry.path(), options);
    // Each imported row is fsynced; the big plain tables add time, not types.
    if (source->recordCount() > 100) continue;
    const auto& info = source->info();
    const fs::path target = dir / ("copy-" + std::to_string(copied) + ".db");
    try {
      TableFile::create(target, info.fields, info.keyFieldCount, info.codePage);
    } catch (const std::exception& e) {
      // A code page we read but do not write (936): nothing to import into.
      std::cout << "skipped " << entry.path().filename() << ": " << e.what() << '\n';
      continue;
    }
    ++copied;

    const auto dump = tool({"dump", entry.path().string(), "--password", "123"});
    ASSERT_EQ(dump.status, 0) << entry.path() << ": " << dump.err;
    writeFile(dir / "sample.csv", dump.out);
    const auto import = tool({"import", target.string(), (dir / "sample.csv").string()});
    EXPECT_EQ(import.status, 0) << entry.path() << ": " << import.err;
    EXPECT_EQ(readTable(target), source->readAll()) << entry.path();
  }
  EXPECT_GE(copied, 24);
}

}  // namespace
}  // namespace torvelle::tools
