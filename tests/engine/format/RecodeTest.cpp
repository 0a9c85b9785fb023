// A table rewritten in another code page keeps every value, and pxlib reads
// it with the new code page; a header that names the wrong code page is
// read, and mended, in the right one.
#include <gtest/gtest.h>

#include <algorithm>

#include "PxlibReader.h"
#include "TestSupport.h"
#include "engine/DbError.h"
#include "engine/format/TableRecoder.h"
#include "support/CodePage.h"

namespace torvelle::format {
namespace {

using engine::DbError;
using testing::PxlibReader;
using testing::scratchWriter;
using testing::TempDir;

std::vector<Record> readAll(const std::filesystem::path& db, int readAs = 0) {
  OpenOptions o;
  o.readAs = readAs;
  return TableFile::open(db, o)->readAll();
}

std::vector<FieldDef> contactFields() {
  return {{"Name", FieldType::Alpha, 24},
          {"Notes", FieldType::Memo, 16},
          {"Count", FieldType::Short, 2}};
}

// The euro sign and the dashes have other bytes in 1252 than in 1251, and
// letter case orders the keys differently in the two sort orders.
std::vector<Record> latinContacts() {
  std::vector<Record> records;
  const char* names[] = {"beta", "Alpha", "alpha \xE2\x82\xAC", "Gamma \xE2\x80\x93 x", "gamma"};
  for (int i = 0; i < 5; ++i) {
    const std::size_t memo = i % 3 == 0 ? 4 : i % 3 == 1 ? 700 : 4000;
    std::string notes(memo, static_cast<char>('a' + i));
    notes.replace(0, 3, "\xE2\x82\xAC");
    records.push_back({std::string(names[i]), notes, std::int32_t{i}});
  }
  return records;
}

void expectSameRecords(std::vector<Record> a, std::vector<Record> b) {
  const auto byName = [](const Record& x, const Record& y) {
    return std::get<std::string>(x[0]) < std::get<std::string>(y[0]);
  };
  std::sort(a.begin(), a.end(), byName);
  std::sort(b.begin(), b.end(), byName);
  EXPECT_EQ(a, b);
}

TEST(Recode, TextGoesToTheNewCodePageAndBackWithEveryValueKept) {
  const TempDir dir;
  const auto db = dir / "Contacts.db";
  TableFile::create(db, contactFields(), 1, 1251);
  const auto original = latinContacts();
  {
    const auto table = TableFile::open(db, scratchWriter());
    for (const auto& r : original) table->insert(r);
  }
  const auto stored = readAll(db);

  {
    TableRecoder recoder(db, scratchWriter(), 1252);
    EXPECT_TRUE(recoder.needed());
    EXPECT_TRUE(recoder.unfit().empty());
    recoder.write();
  }
  const auto table = TableFile::open(db, {});
  EXPECT_EQ(table->info().codePage, 1252);
  expectSameRecords(table->readAll(), stored);
  EXPECT_TRUE(TableFile::check(db, {}).empty());
  const PxlibReader pxlib(db, dir / "Contacts.mb", dir.path());
  ASSERT_TRUE(pxlib.opened());
  expectSameRecords(pxlib.all(1252), stored);

  TableRecoder(db, scratchWriter(), 1251).write();
  EXPECT_EQ(readAll(db), stored) << "back in 1251, in its dictionary order again";
  EXPECT_FALSE(TableRecoder(db, scratchWriter(), 1251).needed());
}

TEST(Recode, TextTheCodePageLacksIsListedAndNothingIsWritten) {
  const TempDir dir;
  const auto db = dir / "Contacts.db";
  TableFile::create(db, contactFields(), 1, 1251);
  {
    const auto table = TableFile::open(db, scratchWriter());
    table->insert({std::string("Smith"), std::string("plain"), std::int32_t{1}});
    table->insert({std::string("Жуков"), std::string("memo " + std::string(900, 'x') + "ё"),
                   std::int32_t{2}});
  }
  const std::string before = testing::folderImage(dir.path());
  TableRecoder recoder(db, scratchWriter(), 1252);
  ASSERT_EQ(recoder.unfit().size(), 2u);
  const auto& name = recoder.unfit()[0];
  EXPECT_EQ(name.field, "Name");
  EXPECT_EQ(name.value, "Жуков");
  EXPECT_EQ(name.characters, "Жуков");
  const auto& memo = recoder.unfit()[1];
  EXPECT_EQ(memo.record, name.record);
  EXPECT_EQ(memo.field, "Notes");
  EXPECT_EQ(memo.characters, "ё") << "the part past the record's leader is checked too";
  EXPECT_THROW(recoder.write(), DbError);
  EXPECT_EQ(testing::folderImage(dir.path()), before);
}

// Cyrillic text in 1251 bytes under a header that says 1252, as old
// programs wrote it; made with pxlib.
TEST(Recode, LyingHeaderIsReadAsToldAndMendedInPlace) {
  const TempDir dir;
  const auto db = dir / "Old.db";
  const auto lie = [](const std::string& text) {
    return support::toUtf8(support::fromUtf8(text, 1251), 1252);
  };
  // pxlib takes field names as the bytes to store.
  const std::vector<FieldDef> fields = {{support::fromUtf8("Имя", 1251), FieldType::Alpha, 20}};
  testing::writeWithPxlib(db, fields, {{lie("Жуков")}, {lie("Ёлкин")}}, 0, 1252, "");

  EXPECT_EQ(std::get<std::string>(readAll(db)[0][0]), lie("Жуков"));
  OpenOptions readAs;
  readAs.readAs = 1251;
  const auto asTold = TableFile::open(db, readAs);
  EXPECT_EQ(asTold->info().fields[0].name, "Имя");
  EXPECT_EQ(asTold->readAll(),
            (std::vector<Record>{{std::string("Жуков")}, {std::string("Ёлкин")}}));
  OpenOptions writeAs = scratchWriter();
  writeAs.readAs = 1251;
  EXPECT_THROW(TableFile::open(db, writeAs), DbError) << "text would be stored in neither page";

  TableRecoder(db, scratchWriter(), 1251, 1251).write();
  const auto mended = TableFile::open(db, {});
  EXPECT_EQ(mended->info().codePage, 1251);
  EXPECT_EQ(mended->info().fields[0].name, "Имя");
  EXPECT_EQ(mended->readAll(), asTold->readAll());
}

// Tables of other programs, levels 3 to 7, with memos, blobs and keys: in
// 1252 they hold the same values, keep their format level and pass check.
TEST(Recode, GenuineTablesKeepTheirValuesAndLevelInAnotherCodePage) {
  int recoded = 0;
  for (const auto& sample : testing::sampleTables()) {
    if (sample.empty()) GTEST_SKIP() << "no sample tables";
    SCOPED_TRACE(sample.string());
    const TempDir dir;
    const auto db = testing::copyTable(sample, dir.path());
    std::vector<Record> before;
    int level = 0;
    try {
      const auto table = TableFile::open(db, {});
      before = table->readAll();
      level = table->info().level;
      TableRecoder recoder(db, scratchWriter(), 1252);
      if (!recoder.unfit().empty() || !recoder.needed()) continue;
      recoder.write();
    } catch (const DbError& e) {
      // Protected or damaged samples, and code pages we do not convert.
      continue;
    }
    const auto table = TableFile::open(db, {});
    EXPECT_EQ(table->info().codePage, 1252);
    EXPECT_EQ(table->info().level, level);
    EXPECT_TRUE(TableFile::check(db, {}).empty());
    auto after = table->readAll();
    ASSERT_EQ(after.size(), before.size());
    for (const auto& record : before)
      EXPECT_NE(std::find(after.begin(), after.end(), record), after.end());
    ++recoded;
  }
  EXPECT_GT(recoded, 3);
}

}  // namespace
}  // namespace torvelle::format
