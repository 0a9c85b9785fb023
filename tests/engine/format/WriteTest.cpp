// Changes to tables: keyed order across block splits, the index kept valid,
// key violations, untouched bytes, deletes, memos, one writer at a time.
#include <gtest/gtest.h>

#include <random>
#include <set>

#ifdef TORVELLE_WITH_PXLIB
#include "PxlibReader.h"
#endif
#include "TestSupport.h"
#include "engine/DbError.h"
#include "engine/format/FieldCodec.h"
#include "engine/format/FileIo.h"
#include "engine/format/TableFile.h"

namespace torvelle::format {
namespace {

using engine::DbError;
using testing::scratchWriter;
using testing::TempDir;

std::vector<FieldDef> contactFields() {
  return {{"Section", FieldType::Alpha, 30},
          {"Name", FieldType::Alpha, 40},
          {"Phone", FieldType::Alpha, 20},
          {"Born", FieldType::Date, 4},
          {"Notes", FieldType::Memo, 20}};
}

Record contact(const std::string& section, const std::string& name, const std::string& notes = {}) {
  return {section, name, "555-" + name, codec::makeDate(1980, 5, 17),
          notes.empty() ? Value{} : Value{notes}};
}

std::string keyOf(const Record& r) {
  return std::get<std::string>(r[0]) + "\x01" + std::get<std::string>(r[1]);
}

// The table reads back in key order, our check passes, and pxlib (where the
// build has it) agrees on every value and accepts the index.
void expectSound(const std::filesystem::path& db, const std::vector<Record>& expected,
                 [[maybe_unused]] const TempDir& dir,
                 const std::vector<std::string>& passwords = {}) {
  OpenOptions ro;
  ro.passwords = passwords;
  const auto t = TableFile::open(db, ro);
  EXPECT_EQ(t->readAll(), expected);
  EXPECT_EQ(TableFile::check(db, ro), std::vector<std::string>{});
#ifdef TORVELLE_WITH_PXLIB
  testing::PxlibReader px(db, companionPath(db, ".MB", nullptr), dir.path());
  ASSERT_TRUE(px.opened());
  EXPECT_EQ(px.all(t->info().codePage), expected);
  if (t->info().keyFieldCount > 0) {
    bool exists = false;
    const auto pxPath = companionPath(db, ".PX", &exists);
    ASSERT_TRUE(exists);
    EXPECT_TRUE(px.acceptsIndex(pxPath));
  }
#endif
}

TEST(FormatWrite, KeyedInsertsStayInKeyOrderAcrossManySplits) {
  TempDir dir;
  const auto db = dir / "Phones.db";
  TableFile::create(db, contactFields(), 2);
  std::vector<Record> expected;
  std::mt19937 rng(7);
  {
    const auto t = TableFile::open(db, scratchWriter());
    for (int i = 0; i < 1500; ++i) {
      const auto rec =
          contact("S" + std::to_string(rng() % 7), "N" + std::to_string(rng() % 100000),
                  i % 5 == 0 ? "memo " + std::to_string(i) + std::string(i % 40, 'x') : "");
      if (std::any_of(expected.begin(), expected.end(),
                      [&](const Record& r) { return keyOf(r) == keyOf(rec); }))
        continue;
      const auto ordinal = t->insert(rec);
      expected.push_back(rec);
      std::sort(expected.begin(), expected.end(),
                [](const Record& a, const Record& b) { return keyOf(a) < keyOf(b); });
      ASSERT_EQ(t->read(ordinal), rec) << i;
    }
    EXPECT_EQ(t->recordCount(), expected.size());
  }
  expectSound(db, expected, dir);
}

// Long keys make small index nodes: the index grows to three levels, then
// shrinks again as blocks empty; it must describe the chain all the way.
TEST(FormatWrite, DeepIndexStaysValidThroughGrowthAndShrinking) {
  TempDir dir;
  const auto db = dir / "deep.db";
  TableFile::create(db, {{"Key", FieldType::Alpha, 250}, {"N", FieldType::Long, 4}}, 1);
  std::set<std::string> keys;
  std::mt19937 rng(11);
  const auto t = TableFile::open(db, scratchWriter());
  for (int i = 0; i < 2500; ++i) {
    const std::string key = "k" + std::to_string(rng() % 1000000);
    if (!keys.insert(key).second) continue;
    t->insert({key, std::int32_t{i}});
  }
  const auto keysNow = [&] {
    std::vector<std::string> out;
    for (const auto& r : t->readAll()) out.push_back(std::get<std::string>(r[0]));
    return out;
  };
  EXPECT_EQ(keysNow(), std::vector<std::string>(keys.begin(), keys.end()));
  EXPECT_EQ(TableFile::check(db, {}), std::vector<std::string>{});
  const std::string px = testing::slurp(companionPath(db, ".PX", nullptr));
  EXPECT_EQ(px[0x20], 3) << "index levels";
  while (t->recordCount() > 40) {
    const auto ordinal = rng() % t->recordCount();
    keys.erase(std::get<std::string>(t->read(ordinal)[0]));
    t->remove(ordinal);
  }
  EXPECT_EQ(keysNow(), std::vector<std::string>(keys.begin(), keys.end()));
  EXPECT_EQ(TableFile::check(db, {}), std::vector<std::string>{});
}

TEST(FormatWrite, UnkeyedAppendsUpdatesAndDeletes) {
  TempDir dir;
  const auto db = dir / "log.db";
  TableFile::create(db, {{"Id", FieldType::AutoIncrement, 4}, {"Text", FieldType::Alpha, 50}}, 0);
  std::vector<Record> expected;
  {
    const auto t = TableFile::open(db, scratchWriter());
    for (int i = 0; i < 300; ++i) {
      EXPECT_EQ(t->insert({Value{}, "line " + std::to_string(i)}), static_cast<std::size_t>(i));
      expected.push_back({static_cast<std::int32_t>(i + 1), "line " + std::to_string(i)});
    }
    // Delete every third record: emptied blocks leave the chain.
    for (int i = 299; i >= 0; i -= 3) {
      t->remove(static_cast<std::size_t>(i));
      expected.erase(expected.begin() + i);
    }
    t->update(10, {{1, std::string("changed")}});
    expected[10][1] = std::string("changed");
    EXPECT_EQ(t->info().autoIncrement, 300u);
  }
  expectSound(db, expected, dir);
}

TEST(FormatWrite, DeletingEverythingAndStartingAgain) {
  TempDir dir;
  const auto db = dir / "t.db";
  TableFile::create(db, contactFields(), 2);
  const auto t = TableFile::open(db, scratchWriter());
  for (int i = 0; i < 200; ++i) t->insert(contact("A", "n" + std::to_string(1000 + i), "note"));
  while (t->recordCount() > 0) t->remove(t->recordCount() / 2);
  EXPECT_EQ(t->readAll(), std::vector<Record>{});
  EXPECT_EQ(TableFile::check(db, {}), std::vector<std::string>{});
  t->insert(contact("B", "again", std::string(3000, 'm')));
  EXPECT_EQ(t->readAll(), std::vector<Record>{contact("B", "again", std::string(3000, 'm'))});
  EXPECT_EQ(TableFile::check(db, {}), std::vector<std::string>{});
}

TEST(FormatWrite, KeyViolationChangesNothing) {
  TempDir dir;
  const auto db = dir / "t.db";
  TableFile::create(db, contactFields(), 2);
  const auto t = TableFile::open(db, scratchWriter());
  t->insert(contact("A", "Ann", "first"));
  t->insert(contact("A", "Bob"));
  const auto before = testing::folderImage(dir.path());
  try {
    t->insert(contact("A", "Ann", "second"));
    FAIL() << "duplicate accepted";
  } catch (const DbError& e) {
    EXPECT_EQ(e.kind(), DbError::Kind::KeyViolation);
    EXPECT_STREQ(e.what(), "Key violation.");
  }
  // A key change onto an existing key is refused the same way.
  EXPECT_THROW(t->update(1, {{1, std::string("Ann")}}), DbError);
  EXPECT_TRUE(testing::folderImage(dir.path()) == before) << "the table files changed";
  EXPECT_EQ(t->recordCount(), 2u);
}

TEST(FormatWrite, UpdateKeepsUntouchedBytesAndMovesChangedKeys) {
  TORVELLE_NEEDS_SAMPLES();
  TempDir dir;
  const auto db = testing::copyTable(testing::samplesDir() / "db/CUSTOMER.DB", dir.path());
  const auto t = TableFile::open(db, scratchWriter());
  const std::string before = t->readRaw(3);
  const auto& fields = t->info().fields;
  t->update(3, {{2, std::string("New Name Ltd")}});
  const std::string after = t->readRaw(3);
  ASSERT_EQ(before.size(), after.size());
  int offset = 0;
  for (std::size_t f = 0; f < fields.size(); ++f) {
    const int n = codec::storageSize(fields[f].type, fields[f].size);
    if (f != 2) {
      EXPECT_EQ(before.substr(static_cast<std::size_t>(offset), static_cast<std::size_t>(n)),
                after.substr(static_cast<std::size_t>(offset), static_cast<std::size_t>(n)))
          << fields[f].name;
    }
    offset += n;
  }
  EXPECT_EQ(std::get<std::string>(t->read(3)[2]), "New Name Ltd");
  // Changing the key moves the record to its place in key order.
  const auto ordinal = t->update(0, {{0, std::int32_t{99999}}});
  EXPECT_EQ(ordinal, t->recordCount() - 1);
  EXPECT_EQ(TableFile::check(db, {}), std::vector<std::string>{});
}

TEST(FormatWrite, LargeMemosAndReuseOfFreedSpace) {
  TempDir dir;
  const auto db = dir / "t.db";
  TableFile::create(db, contactFields(), 2);
  const std::string big = [] {
    std::string s;
    for (int i = 0; s.size() < (1u << 20); ++i) s += "line " + std::to_string(i) + "\r\n";
    return s;
  }();
  const auto mb = companionPath(db, ".MB", nullptr);
  {
    const auto t = TableFile::open(db, scratchWriter());
    t->insert(contact("A", "big", big));
    t->insert(contact("A", "small", std::string(500, 's')));
    EXPECT_EQ(std::get<std::string>(t->read(0)[4]), big);
    const auto size = std::filesystem::file_size(mb);
    // Replacing a value frees its space, and the next value of that size
    // takes it instead of growing the file.
    t->update(0, {{4, big + "!"}});
    t->update(1, {{4, std::string(600, 't')}});
    EXPECT_LE(std::filesystem::file_size(mb), size + 2 * (1u << 20));
    t->remove(0);
    const auto afterDelete = std::filesystem::file_size(mb);
    t->insert(contact("A", "big2", big));
    EXPECT_EQ(std::filesystem::file_size(mb), afterDelete);
  }
  expectSound(db, {contact("A", "big2", big), contact("A", "small", std::string(600, 't'))}, dir);
  TableFile::pack(db, {});
  EXPECT_LT(std::filesystem::file_size(mb), (1u << 20) + 3 * 4096 + 4096);
  expectSound(db, {contact("A", "big2", big), contact("A", "small", std::string(600, 't'))}, dir);
}

TEST(FormatWrite, TextTheCodePageCannotHoldIsRefused) {
  TempDir dir;
  const auto db = dir / "t.db";
  TableFile::create(db, contactFields(), 2);
  const auto t = TableFile::open(db, scratchWriter());
  t->insert(contact("Раздел", "Иванов"));  // Cyrillic fits code page 1251
  try {
    t->insert(contact("A", "Ω ≠ ß"));
    FAIL() << "stored text the code page lacks";
  } catch (const DbError& e) {
    EXPECT_EQ(e.kind(), DbError::Kind::InvalidValue);
    EXPECT_NE(std::string(e.what()).find("Ω"), std::string::npos) << e.what();
  }
  try {
    t->insert(contact("A", std::string(41, 'x')));
    FAIL() << "overlong text accepted";
  } catch (const DbError& e) {
    EXPECT_EQ(e.kind(), DbError::Kind::InvalidValue);
    EXPECT_NE(std::string(e.what()).find("Name"), std::string::npos) << e.what();
  }
  EXPECT_EQ(t->readAll(), std::vector<Record>{contact("Раздел", "Иванов")});
}

// Each type takes the size bytes other readers expect of it, the edges
// included; a fixed-size type gets its own size whatever was asked.
TEST(FormatWrite, NewFieldsTakeOnlyTheSizesOfTheirType) {
  TempDir dir;
  const std::vector<std::tuple<FieldType, int, bool>> cases = {
      {FieldType::Alpha, 1, true},    {FieldType::Alpha, 255, true},  {FieldType::Alpha, 0, false},
      {FieldType::Alpha, 256, false}, {FieldType::Bytes, 255, true},  {FieldType::Bytes, 0, false},
      {FieldType::Memo, 11, true},    {FieldType::Memo, 250, true},   {FieldType::Memo, 10, false},
      {FieldType::Graphic, 10, true}, {FieldType::Graphic, 9, false}, {FieldType::Ole, 251, false},
      {FieldType::Bcd, 0, true},      {FieldType::Bcd, 32, true},     {FieldType::Bcd, 33, false}};
  int n = 0;
  for (const auto& [type, size, fits] : cases) {
    const auto db = dir / ("t" + std::to_string(n++) + ".db");
    const std::vector<FieldDef> fields = {{"K", FieldType::Long, 4}, {"F", type, size}};
    if (!fits) {
      EXPECT_THROW(TableFile::create(db, fields, 1), DbError)
          << static_cast<int>(type) << " " << size;
      continue;
    }
    TableFile::create(db, fields, 1);
    EXPECT_EQ(TableFile::open(db, {})->info().fields[1].size, size) << static_cast<int>(type);
  }
  const auto db = dir / "fixed.db";
  TableFile::create(db, {{"D", FieldType::Date, 99}, {"S", FieldType::Short, 0}}, 0);
  const auto t = TableFile::open(db, {});
  const auto& fields = t->info().fields;
  EXPECT_EQ(fields[0].size, 4);
  EXPECT_EQ(fields[1].size, 2);
}

TEST(FormatWrite, OneWriterAtATime) {
  TempDir dir;
  const auto db = dir / "t.db";
  TableFile::create(db, contactFields(), 2);
  const auto first = TableFile::open(db, scratchWriter());
  try {
    TableFile::open(db, scratchWriter());
    FAIL() << "second writer admitted";
  } catch (const DbError& e) {
    EXPECT_EQ(e.kind(), DbError::Kind::Busy);
    EXPECT_NE(std::string(e.what()).find("Table is busy"), std::string::npos);
  }
  // Readers are welcome; so is the next writer once the first is gone.
  EXPECT_NO_THROW(TableFile::open(db, {}));
  first->insert(contact("A", "x"));
  EXPECT_THROW(TableFile::pack(db, {}), DbError);
}

}  // namespace
}  // namespace torvelle::format
