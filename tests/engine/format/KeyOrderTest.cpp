// Key order of the dictionary sort orders, and tables an earlier build wrote
// in byte order.
#include <gtest/gtest.h>

#include <algorithm>

#include "TestSupport.h"
#include "engine/DbError.h"
#include "engine/format/Header.h"
#include "engine/format/TableFile.h"

namespace torvelle::format::testing {
namespace {

const std::vector<std::string> kWords = {"Zoo", "apple", "Ёлка",  "Апрель", "ель",
                                         "Ель", "Еда",   "Apple", "ёж"};

std::vector<std::string> namesOf(const std::filesystem::path& path, bool writable = false) {
  OpenOptions options;
  options.writable = writable;
  std::vector<std::string> out;
  for (const auto& r : TableFile::open(path, options)->readAll())
    out.push_back(std::get<std::string>(r[0]));
  return out;
}

void fill(const std::filesystem::path& path, int codePage,
          const std::vector<std::string>& words = kWords) {
  TableFile::create(path, {{"Name", FieldType::Alpha, 20}, {"N", FieldType::Long, 4}}, 1, codePage);
  OpenOptions options;
  options.writable = true;
  const auto table = TableFile::open(path, options);
  table->batch([&] {
    for (const auto& w : words) table->insert({w, std::int32_t{1}});
  });
}

void setSortOrderByte(const std::filesystem::path& path, std::uint8_t value) {
  std::string bytes = slurp(path);
  bytes[hdr::kSortOrder] = static_cast<char>(value);
  spit(path, bytes);
}

TEST(KeyOrderTest, CyrillicKeysFollowTheDictionaryOthersTheBytes) {
  TempDir dir;
  fill(dir / "Ru.db", 1251);
  // Letters case-blind first, Ё with Е; then small before capital.
  EXPECT_EQ(namesOf(dir / "Ru.db"), (std::vector<std::string>{"apple", "Apple", "Zoo", "Апрель",
                                                              "Еда", "ёж", "Ёлка", "ель", "Ель"}));
  EXPECT_TRUE(TableFile::check(dir / "Ru.db", {}).empty());
  OpenOptions options;
  options.writable = true;
  const auto table = TableFile::open(dir / "Ru.db", options);
  EXPECT_EQ(table->keyRange({std::string("Ель")}), (std::pair<std::size_t, std::size_t>{8, 9}));
  EXPECT_THROW(table->insert({std::string("Ель"), std::int32_t{2}}), torvelle::engine::DbError);

  fill(dir / "Baltic.db", 1257, {"apple", "Zoo"});
  EXPECT_EQ(namesOf(dir / "Baltic.db").front(), "Zoo");  // byte order: capitals first
}

// Each Windows page we make tables in: the sort order its header declares,
// and its words (given shuffled) in the order the keys must keep.
TEST(KeyOrderTest, EachNewCodePageDeclaresItsSortOrderAndKeepsItsKeysInIt) {
  struct Page {
    int codePage, sortByte;
    const char* sortName;
    std::vector<std::string> ordered;
  };
  const std::vector<Page> pages = {
      // Accents after the plain letter where the letters agree; case last.
      {1252,
       0x62,
       "ANSIINTL",
       {"Ärger", "Bär", "Bart", "Muller", "Müller", "Mullet", "resume", "Resume", "résumé",
        "Straße", "Strasse", "Zoë"}},
      {1250,
       0xDC,
       "anczech",
       {"cas", "čas", "Čas", "cena", "Dvorak", "Dvořák", "Dvorakova", "řada", "šest", "žena"}},
      {1253,
       0x0E,
       "angreek1",
       {"αλφα", "άλφα", "Άλφα", "βήτα", "λόγος", "Λόγος", "σοφός", "ωμέγα"}},
      {1254,
       0xD5,
       "ANTURK",
       {"cam", "çam", "Çam", "dağ", "ılık", "İnce", "kız", "öğle", "şeker", "üzüm"}},
      {1257, 0x00, "ascii", {"Apple", "Zoo", "apple", "ąžuolas"}},  // byte order
  };
  for (const Page& page : pages) {
    TempDir dir;
    const auto path = dir / "Words.db";
    std::vector<std::string> shuffled = page.ordered;
    std::reverse(shuffled.begin(), shuffled.end());
    std::rotate(shuffled.begin(), shuffled.begin() + 2, shuffled.end());
    fill(path, page.codePage, shuffled);
    const std::string head = slurp(path);
    EXPECT_EQ(static_cast<unsigned char>(head[hdr::kSortOrder]), page.sortByte) << page.codePage;
    const auto info = TableFile::open(path, {})->info();
    EXPECT_EQ(info.sortName, page.sortName);
    EXPECT_EQ(namesOf(path), page.ordered) << page.codePage;
    EXPECT_TRUE(TableFile::check(path, {}).empty()) << page.codePage;
    // Lookups and inserts follow the same order.
    OpenOptions options;
    options.writable = true;
    const auto table = TableFile::open(path, options);
    const std::size_t third = page.ordered.size() / 3;
    EXPECT_EQ(table->keyRange({page.ordered[third]}),
              (std::pair<std::size_t, std::size_t>{third, third + 1}))
        << page.codePage;
    EXPECT_THROW(table->insert({page.ordered.back(), std::int32_t{2}}), torvelle::engine::DbError);
  }
}

TEST(KeyOrderTest, AnOldByteOrderTableIsSoundAndPutInOrderWhenOpenedForWriting) {
  TempDir dir;
  const auto path = dir / "Old.db";
  // Written as an earlier build did: every sort order in byte order.
  TableFile::create(path, {{"Name", FieldType::Alpha, 20}, {"N", FieldType::Long, 4}}, 1, 1251);
  setSortOrderByte(path, 0x11);
  {
    OpenOptions options;
    options.writable = true;
    const auto table = TableFile::open(path, options);
    for (const auto& w : kWords) table->insert({w, std::int32_t{1}});
  }
  setSortOrderByte(path, 0x8F);
  const std::string image = folderImage(dir.path());
  const auto before = namesOf(path);
  EXPECT_EQ(before.front(), "Apple");
  EXPECT_TRUE(TableFile::check(path, {}).empty());  // never called corrupt
  EXPECT_NE(TableFile::keyOrderNote(path, {}).find("byte order"), std::string::npos);
  // Read only, it is searched in the order it has.
  EXPECT_EQ(TableFile::open(path, {})->keyRange({std::string("Zoo")}).second -
                TableFile::open(path, {})->keyRange({std::string("Zoo")}).first,
            1u);
  EXPECT_EQ(folderImage(dir.path()), image) << "reading wrote";

  // Opening it for writing is enough; nothing needs to be read.
  {
    OpenOptions options;
    options.writable = true;
    const auto table = TableFile::open(path, options);
  }
  EXPECT_EQ(TableFile::keyOrderNote(path, {}), "keys in dictionary order");
  const auto after = namesOf(path, true);
  EXPECT_EQ(after.front(), "apple");
  EXPECT_EQ(after.back(), "Ель");
  EXPECT_TRUE(TableFile::check(path, {}).empty());
  EXPECT_EQ(TableFile::keyOrderNote(path, {}), "keys in dictionary order");
}

// Only the text fields of a key follow the dictionary; the others compare
// all of their stored bytes, a decimal's 17 whatever its size byte says.
TEST(KeyOrderTest, ADecimalKeyOfACyrillicTableComparesItsWholeValue) {
  TempDir dir;
  const auto path = dir / "Amounts.db";
  TableFile::create(path, {{"Amount", FieldType::Bcd, 0}, {"N", FieldType::Long, 4}}, 1, 1251);
  OpenOptions options;
  options.writable = true;
  const auto table = TableFile::open(path, options);
  for (const char* amount : {"5", "300", "9", "-2"})
    table->insert({Decimal{amount}, std::int32_t{1}});
  std::vector<std::string> amounts;
  for (const auto& r : table->readAll()) amounts.push_back(std::get<Decimal>(r[0]).text);
  EXPECT_EQ(amounts, (std::vector<std::string>{"-2", "5", "9", "300"}));
  EXPECT_EQ(table->keyRange({Decimal{"9"}}), (std::pair<std::size_t, std::size_t>{2, 3}));
}

}  // namespace
}  // namespace torvelle::format::testing
