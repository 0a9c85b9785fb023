// Passwords and the password request; what opening refuses.
#include <fstream>

#include "TableFixture.h"
#include "engine/Session.h"
#include "engine/Table.h"

namespace torvelle::testing {
namespace {

using engine::DbError;

DbError::Kind openFailure(engine::Session& session, const std::filesystem::path& path) {
  engine::Table t(session);
  t.setTableName(path);
  try {
    t.open();
  } catch (const DbError& e) {
    EXPECT_FALSE(t.isOpen());
    return e.kind();
  }
  return DbError::Kind::General;
}

TEST(SessionPasswords, RemoveFailsForATextNotHeldAndTakesOneCopy) {
  engine::Session s;
  s.addPassword("one");
  s.addPassword("one");
  s.addPassword("");  // nothing to hold
  EXPECT_EQ(s.passwords().size(), 2u);
  s.removePassword("one");
  s.removePassword("one");
  EXPECT_THROW(s.removePassword("one"), DbError);
  EXPECT_THROW(s.removePassword("One"), DbError);
  s.addPassword("a");
  s.addPassword("b");
  s.removeAllPasswords();
  EXPECT_TRUE(s.passwords().empty());
}

class ProtectedTableTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path = dir / "Secret.db";
    makeTable(path, {alpha("Name")}, 0, {{text("hidden")}}, "swordfish");
  }
  TempDir dir;
  std::filesystem::path path;
  engine::Session session;
};

TEST_F(ProtectedTableTest, OpensWithAHeldPasswordWithoutARequest) {
  int requests = 0;
  session.setPasswordRequest([&](engine::Session&) { return ++requests, false; });
  session.addPassword("wrong");
  session.addPassword("swordfish");
  engine::Table t(session);
  t.setTableName(path);
  t.open();
  EXPECT_EQ(t.fieldText("Name"), "hidden");
  EXPECT_EQ(requests, 0);
}

TEST_F(ProtectedTableTest, TheRequestRepeatsUntilAPasswordFits) {
  std::vector<std::string> tries = {"no", "Swordfish", "swordfish"};
  int requests = 0;
  session.setPasswordRequest([&](engine::Session& s) {
    s.addPassword(tries[static_cast<std::size_t>(requests++)]);
    return true;
  });
  engine::Table t(session);
  t.setTableName(path);
  t.open();
  EXPECT_EQ(requests, 3);
  EXPECT_TRUE(t.isOpen());
}

TEST_F(ProtectedTableTest, GivingUpFailsTheOpening) {
  int requests = 0;
  session.setPasswordRequest([&](engine::Session& s) {
    s.addPassword("guess");
    return ++requests < 2;
  });
  EXPECT_EQ(openFailure(session, path), DbError::Kind::PasswordNeeded);
  EXPECT_EQ(requests, 2);
  engine::Session withoutRequest;
  EXPECT_EQ(openFailure(withoutRequest, path), DbError::Kind::PasswordNeeded);
}

TEST(OpenFailures, MissingFileAndFilesOfOtherKinds) {
  TempDir dir;
  engine::Session session;
  EXPECT_EQ(openFailure(session, dir / "Missing.db"), DbError::Kind::NotFound);

  const auto write = [&](const char* name, const std::string& bytes) {
    std::ofstream(dir / name, std::ios::binary) << bytes;
    return dir / name;
  };
  // A dBASE III table header: version 3, date, one record, 65-byte header.
  std::string dbase(97, '\0');
  dbase[0] = 0x03;
  dbase[1] = 124;
  dbase[2] = 5;
  dbase[3] = 1;
  dbase[4] = 1;
  dbase[8] = 65;
  dbase[10] = 32;
  dbase[64] = 0x0D;
  EXPECT_EQ(openFailure(session, write("Dbase.db", dbase)), DbError::Kind::NotParadox);
  std::string sqlite = "SQLite format 3";
  sqlite.push_back('\0');
  sqlite.resize(4096, '\0');
  EXPECT_EQ(openFailure(session, write("Lite.db", sqlite)), DbError::Kind::NotParadox);
  EXPECT_EQ(openFailure(session, write("Text.db", "Section;Name\nWork;Carl\n")),
            DbError::Kind::NotParadox);
}

}  // namespace
}  // namespace torvelle::testing
