// Files we write open in pxlib with the same values, files pxlib writes open
// in ours, and the master password is the one both sides compute.
#include <gtest/gtest.h>

#include "PxlibReader.h"
#include "TestSupport.h"
#include "engine/DbError.h"
#include "engine/ShippedTables.h"
#include "engine/format/Bytes.h"
#include "engine/format/Crypto.h"
#include "engine/format/FieldCodec.h"
#include "engine/format/FileIo.h"
#include "engine/format/TableFile.h"

namespace torvelle::format {
namespace {

using engine::DbError;
using testing::PxlibReader;
using testing::scratchWriter;
using testing::TempDir;

std::vector<FieldDef> everyType() {
  return {{"Id", FieldType::Long, 4},         {"Name", FieldType::Alpha, 24},
          {"Day", FieldType::Date, 4},        {"Count", FieldType::Short, 2},
          {"Price", FieldType::Currency, 8},  {"Weight", FieldType::Number, 8},
          {"Done", FieldType::Logical, 1},    {"Notes", FieldType::Memo, 16},
          {"Blob", FieldType::Binary, 14},    {"Rich", FieldType::FormattedMemo, 10},
          {"Ole", FieldType::Ole, 10},        {"At", FieldType::Time, 4},
          {"Stamp", FieldType::Timestamp, 8}, {"Seq", FieldType::AutoIncrement, 4},
          {"Amount", FieldType::Bcd, 2},      {"Raw", FieldType::Bytes, 6},
          {"Picture", FieldType::Graphic, 10}};
}

Record everyValue(int i) {
  const std::size_t memo = i % 3 == 0 ? 5 : i % 3 == 1 ? 700 : 4000;
  return {std::int32_t{i * 10},
          "Имя " + std::to_string(i),
          codec::makeDate(1990 + i, 1 + static_cast<unsigned>(i % 12), 3),
          std::int32_t{-300 + i},
          12.5 * i,
          -0.25 * i - 1,
          i % 2 == 0,
          std::string(memo, static_cast<char>('a' + i % 26)),
          Binary{std::string(static_cast<std::size_t>(i * 50), '\x07')},
          Binary{std::string(30, '\x01')},
          Binary{std::string(5000, '\x02')},
          Time{3600000 * (i % 24) + 1234},
          Timestamp{63716202001000.0 + i},
          std::int32_t{i + 1},
          Decimal{"-" + std::to_string(i) + ".25"},
          Binary{std::string("\x01\x02\x03\x04\x05\x06", 6)},
          Binary{"BM" + std::string(static_cast<std::size_t>(100 + i * 500), '\x05')}};
}

Record nulls() {
  Record r(everyType().size());
  r[0] = std::int32_t{-5};  // the key
  r[13] = std::int32_t{99};
  return r;
}

TEST(FormatCompat, PasswordCheckValuesMatchPxlibAndKnownVectors) {
  const std::pair<const char*, std::uint32_t> known[] = {{"123", 0x0A25E09A},
                                                         {"secret", 0x6E25449A},
                                                         {"a", 0x35FFEEAB},
                                                         {"password", 0x73BC0DF9},
                                                         {"Secret", 0xAF2EC438}};
  for (const auto& [pw, value] : known) {
    EXPECT_EQ(TableFile::passwordCheckValue(pw), value) << pw;
    EXPECT_EQ(testing::pxlibCheckValue(pw), value) << pw;
  }
  // Block transform: zeros in block 1 and in the memo file, key "secret".
  Bytes block(512), memo(256);
  crypto::encryptBlock(block.data(), block.size(), 0x6E25449A, 1);
  crypto::encryptBlob(memo.data(), memo.size(), 0x6E25449A);
  EXPECT_EQ(Bytes(block.begin(), block.begin() + 4), (Bytes{0x75, 0xAB, 0xF2, 0x24}));
  EXPECT_EQ(Bytes(block.begin() + 256, block.begin() + 260), (Bytes{0x84, 0xA0, 0xFE, 0x86}));
  EXPECT_EQ(Bytes(memo.begin(), memo.begin() + 4), (Bytes{0xD0, 0x89, 0x56, 0x59}));
  crypto::decryptBlock(block.data(), block.size(), 0x6E25449A, 1);
  EXPECT_EQ(block, Bytes(512));
}

class FormatEveryType : public ::testing::TestWithParam<std::tuple<int, std::string>> {};

TEST_P(FormatEveryType, WeWritePxlibReads) {
  const auto [keys, password] = GetParam();
  TempDir dir;
  const auto db = dir / "all.db";
  TableFile::create(db, everyType(), keys, 1251, password);
  std::vector<Record> expected;
  {
    const auto t = TableFile::open(db, scratchWriter({password}));
    for (int i = 9; i >= 0; --i) t->insert(everyValue(i));
    t->insert(nulls());
    expected = t->readAll();
  }
  ASSERT_EQ(expected.size(), 11u);
  if (keys) {
    EXPECT_EQ(expected[0], nulls());
  }
  PxlibReader px(db, companionPath(db, ".MB", nullptr), dir.path());
  ASSERT_TRUE(px.opened());
  const auto theirs = px.all(1251);
  ASSERT_EQ(theirs.size(), expected.size());
  for (std::size_t r = 0; r < expected.size(); ++r)
    for (std::size_t f = 0; f < expected[r].size(); ++f) {
      const auto& ours = expected[r][f];
      const auto& other = theirs[r][f];
      if (const auto* d = std::get_if<Decimal>(&ours)) {
        ASSERT_TRUE(std::holds_alternative<Decimal>(other)) << r << "/" << f;
        EXPECT_EQ(std::stod(d->text), std::stod(std::get<Decimal>(other).text));
      } else {
        EXPECT_EQ(ours, other) << "record " << r << " field " << everyType()[f].name;
      }
    }
  if (keys) {
    EXPECT_TRUE(px.acceptsIndex(companionPath(db, ".PX", nullptr)));
  }
  OpenOptions ro;
  ro.passwords = {password};
  EXPECT_EQ(TableFile::check(db, ro), std::vector<std::string>{});
  if (!password.empty()) {
    // On disk nothing of the text is visible.
    for (const char* ext : {".DB", ".MB", ".PX"}) {
      bool exists = false;
      const auto path = companionPath(db, ext, &exists);
      if (!exists) continue;
      const std::string data = testing::slurp(path);
      const std::string body = data.substr(std::min<std::size_t>(data.size(), 0x800));
      EXPECT_EQ(body.find("aaaaa"), std::string::npos) << ext;
      EXPECT_EQ(body.find(std::string(4, '\x07')), std::string::npos) << ext;
    }
    const std::string head = testing::slurp(db).substr(0, 0x80);
    // The check value is computed over the password in the table's code page.
    EXPECT_EQ(getU32(reinterpret_cast<const std::uint8_t*>(&head[0x5C])),
              TableFile::passwordCheckValue(codec::toTableText(password, 1251, "")));
    EXPECT_TRUE(TableFile::isProtected(db));
  }
}

INSTANTIATE_TEST_SUITE_P(Variants, FormatEveryType,
                         ::testing::Values(std::make_tuple(0, std::string()),
                                           std::make_tuple(1, std::string()),
                                           std::make_tuple(0, std::string("secret")),
                                           std::make_tuple(1, std::string("Пароль1"))));

TEST(FormatCompat, ProtectedTableNeedsItsPassword) {
  TempDir dir;
  const auto db = dir / "p.db";
  TableFile::create(db, {{"A", FieldType::Alpha, 10}}, 1, 1251, "secret");
  for (const auto& pws :
       {std::vector<std::string>{}, std::vector<std::string>{"Secret", "wrong"}}) {
    try {
      OpenOptions o;
      o.passwords = pws;
      TableFile::open(db, o);
      FAIL();
    } catch (const DbError& e) {
      EXPECT_EQ(e.kind(), DbError::Kind::PasswordNeeded) << e.what();
    }
  }
  OpenOptions o;
  o.passwords = {"wrong", "secret"};
  EXPECT_TRUE(TableFile::open(db, o)->info().encrypted);
}

TEST(FormatCompat, SettingChangingAndRemovingThePassword) {
  TORVELLE_NEEDS_SAMPLES();
  TempDir dir;
  const auto db = testing::copyTable(testing::samplesDir() / "db/HERCULES.DB", dir.path());
  const auto expected = TableFile::open(db, {})->readAll();
  TableFile::setPassword(db, {}, "abc");
  EXPECT_THROW(TableFile::open(db, {}), DbError);
  OpenOptions abc;
  abc.passwords = {"abc"};
  EXPECT_EQ(TableFile::open(db, abc)->readAll(), expected);
  EXPECT_EQ(TableFile::check(db, abc), std::vector<std::string>{});
  TableFile::setPassword(db, abc, "xyz");
  OpenOptions xyz;
  xyz.passwords = {"xyz"};
  EXPECT_EQ(TableFile::open(db, xyz)->readAll(), expected);
  {
    PxlibReader px(db, companionPath(db, ".MB", nullptr), dir.path());
    EXPECT_EQ(px.all(1252), expected);
    EXPECT_TRUE(px.acceptsIndex(companionPath(db, ".PX", nullptr)));
  }
  TableFile::setPassword(db, xyz, "");
  EXPECT_FALSE(TableFile::isProtected(db));
  EXPECT_EQ(TableFile::open(db, {})->readAll(), expected);
  EXPECT_EQ(testing::slurp(db).substr(0x3E, 2), "\x1F\x0F");
  EXPECT_FALSE(std::filesystem::exists(db.string() + "-replace"));
}

TEST(FormatCompat, PxlibWritesWeRead) {
  const std::vector<FieldDef> fields = {
      {"Name", FieldType::Alpha, 20},  {"Day", FieldType::Date, 4}, {"Tm", FieldType::Time, 4},
      {"Done", FieldType::Logical, 1}, {"Qty", FieldType::Long, 4}, {"Cost", FieldType::Number, 8},
      {"Notes", FieldType::Memo, 11}};
  const std::vector<Record> records = {
      {std::string("Alpha"), codec::makeDate(2024, 3, 15), Time{30600000}, true, std::int32_t{5},
       1.5, std::string("Hello memo")},
      {std::string("Beta"), codec::makeDate(1996, 5, 4), Time{86399000}, false, std::int32_t{-7},
       -200.0, "BIG:" + std::string(2996, 'x')},
      {std::string("Gamma"), Value{}, Value{}, Value{}, Value{}, Value{}, std::string("Z")},
      {std::string("Дельта"), codec::makeDate(2000, 2, 29), Time{0}, true, std::int32_t{0}, 0.0,
       std::string(900, 'q')}};
  for (const int keys : {0, 1})
    for (const std::string password : {"", "secret"}) {
      TempDir dir;
      const auto db = dir / "tasks.db";
      // pxlib leaves the memo entries of a protected table unwritten (and its
      // memo file plain), so its protected tables are tried without memos.
      auto fieldsHere = fields;
      auto recordsHere = records;
      if (!password.empty()) {
        fieldsHere.pop_back();
        for (auto& r : recordsHere) r.pop_back();
      }
      testing::writeWithPxlib(db, fieldsHere, recordsHere, keys, 1251, password);
      OpenOptions o = scratchWriter({password});
      auto expected = recordsHere;
      if (keys)
        std::sort(expected.begin(), expected.end(), [](const Record& a, const Record& b) {
          return codec::toTableText(std::get<std::string>(a[0]), 1251, "") <
                 codec::toTableText(std::get<std::string>(b[0]), 1251, "");
        });
      {
        const auto t = TableFile::open(db, o);
        EXPECT_EQ(t->readAll(), expected) << keys << password;
        // And our changes to their file read back in pxlib.
        Record added = {std::string("Epsilon"),
                        codec::makeDate(2030, 1, 1),
                        Time{1},
                        false,
                        std::int32_t{1},
                        2.0,
                        std::string(5000, 'e')};
        added.resize(fieldsHere.size());
        t->insert(added);
        expected = t->readAll();
        EXPECT_EQ(expected.size(), records.size() + 1);
      }
      PxlibReader px(db, companionPath(db, ".MB", nullptr), dir.path());
      EXPECT_EQ(px.all(1251), expected) << keys << password;
      if (keys) {
        EXPECT_TRUE(px.acceptsIndex(companionPath(db, ".PX", nullptr)));
      }
    }
}

TEST(FormatCompat, CompanionsInAnyLetterCase) {
  TORVELLE_NEEDS_SAMPLES();
  TempDir dir;
  const auto src = testing::samplesDir() / "fields/memo.db";
  const auto expected = TableFile::open(src, {})->readAll();
  testing::copyTable(src, dir.path());
  std::filesystem::rename(dir / "memo.db", dir / "Memo.DB");
  std::filesystem::rename(dir / "memo.mb", dir / "MEMO.Mb");
  std::filesystem::rename(dir / "memo.px", dir / "mEmO.px");
  EXPECT_EQ(TableFile::open(dir / "memo.db", {})->readAll(), expected);
  EXPECT_EQ(TableFile::check(dir / "MEMO.DB", {}), std::vector<std::string>{});
}

TEST(FormatCompat, ShippedTablesInTheDesignedAndAWesternCodePage) {
  for (const int codePage : {1251, 1252}) {
    TempDir dir;
    engine::createShippedTables(dir.path(), codePage);
    for (const auto& shipped : engine::shippedTables()) {
      const auto db = dir.path() / shipped.relativePath;
      const auto t = TableFile::open(db, {});
      EXPECT_EQ(t->info().level, 70);
      EXPECT_EQ(t->info().codePage, codePage);
      EXPECT_EQ(t->info().keyFieldCount, shipped.keyFieldCount);
      EXPECT_EQ(t->info().fields.size(), shipped.fields.size());
      const std::string head = testing::slurp(db);
      EXPECT_EQ(static_cast<unsigned char>(head[0x29]), codePage == 1251 ? 0x8F : 0x62);
      EXPECT_NE(
          head.find(codePage == 1251 ? std::string("ancyrr\0", 7) : std::string("ANSIINTL\0", 9)),
          std::string::npos);
      PxlibReader px(db, companionPath(db, ".MB", nullptr), dir.path());
      EXPECT_TRUE(px.opened());
      EXPECT_EQ(px.recordCount(), 0);
      EXPECT_EQ(TableFile::check(db, {}), std::vector<std::string>{});
    }
  }
  // A German name in the Western tables, as pxlib reads it.
  TempDir dir;
  engine::createShippedTables(dir.path(), 1252);
  const auto phones = dir.path() / "DB/Phones/Phones.db";
  Record record(TableFile::open(phones, {})->info().fields.size());
  record[0] = std::string("Familie");
  record[1] = std::string("Müller");
  TableFile::open(phones, scratchWriter())->insert(record);
  PxlibReader px(phones, companionPath(phones, ".MB", nullptr), dir.path());
  ASSERT_EQ(px.recordCount(), 1);
  EXPECT_NE(px.rawRecord(0).find("M\xFCller"), std::string::npos);
  EXPECT_EQ(px.all(1252), std::vector<Record>{record});
}

}  // namespace
}  // namespace torvelle::format
