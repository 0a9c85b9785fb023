// TParadoxTable: the type check, Pack and SetPassword.
#include <fstream>

#include "TableFixture.h"
#include "engine/Session.h"
#include "store/ParadoxTable.h"

namespace torvelle::testing {
namespace {

using engine::DbError;
using store::TParadoxTable;

class ParadoxTableTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path = dir / "Links.db";
    makeTable(path, {alpha("Section"), alpha("Link", 255), memo("Description")}, 2,
              {{text("Web"), text("example.org"), text("An example")},
               {text("Web"), text("example.net"), std::monostate{}}});
    table.setTableName(path);
  }
  TempDir dir;
  std::filesystem::path path;
  engine::Session session;
  TParadoxTable table{session, "LinksTable"};
};

TEST_F(ParadoxTableTest, AFileOfAnotherKindIsNotAParadoxTable) {
  std::filesystem::remove(path);
  std::ofstream(path, std::ios::binary)
      << std::string("SQLite format 3\0", 16) << std::string(1024, '\0');
  try {
    table.open();
    FAIL();
  } catch (const DbError& e) {
    EXPECT_EQ(e.kind(), DbError::Kind::NotParadox);
    EXPECT_STREQ(e.what(), "Not a Paradox table");
  }
  EXPECT_FALSE(table.isOpen());
}

TEST_F(ParadoxTableTest, PackKeepsTheOpenStateAndPostsAPendingChange) {
  table.Pack();
  EXPECT_FALSE(table.isOpen());
  table.open();
  table.remove();  // space for the pack to drop
  table.edit();
  table.setField("Description", text("kept"));
  table.Pack();
  EXPECT_TRUE(table.isOpen());
  EXPECT_EQ(table.rowCount(), 1u);
  EXPECT_EQ(table.fieldText("Description"), "kept");
  EXPECT_TRUE(format::TableFile::check(path, {}).empty());
}

TEST_F(ParadoxTableTest, APackFailureReachesTheCallerAndKeepsTheTableClosed) {
  format::OpenOptions writer;
  writer.writable = true;
  const auto other = format::TableFile::open(path, writer);  // holds the table
  EXPECT_THROW(table.Pack(), DbError);
  EXPECT_FALSE(table.isOpen());
}

TEST_F(ParadoxTableTest, SetPasswordProtectsAndAnEmptyOneUnprotects) {
  table.open();
  session.addPassword("pw");
  table.SetPassword("pw");
  EXPECT_FALSE(table.NoPassword);
  EXPECT_TRUE(table.isOpen());
  EXPECT_TRUE(format::TableFile::isProtected(path));
  engine::Session stranger;
  TParadoxTable other(stranger, "LinksTable");
  other.setTableName(path);
  table.close();
  EXPECT_THROW(other.open(), DbError);
  table.open();

  table.SetPassword("");
  EXPECT_TRUE(table.NoPassword);
  EXPECT_FALSE(format::TableFile::isProtected(path));
  EXPECT_EQ(readBack(path).size(), 2u);
}

TEST_F(ParadoxTableTest, AFailedSetPasswordLeavesTheOldPassword) {
  session.addPassword("old");
  table.open();
  table.SetPassword("old");
  session.removeAllPasswords();  // the old password can no longer be given
  EXPECT_THROW(table.SetPassword("new"), DbError);
  EXPECT_FALSE(table.NoPassword);
  EXPECT_EQ(readBack(path, "old").size(), 2u);
}

}  // namespace
}  // namespace torvelle::testing
