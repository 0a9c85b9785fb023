// Truncated, damaged and hostile files: a clear error, never a crash, a hang
// or a read outside the file.
#include <gtest/gtest.h>

#include <random>

#include "TestSupport.h"
#include "engine/DbError.h"
#include "engine/format/Bytes.h"
#include "engine/format/FieldCodec.h"
#include "engine/format/TableFile.h"

namespace torvelle::format {
namespace {

using engine::DbError;
using testing::TempDir;

// Opens, reads and checks; returns the error kind, or nullopt when all went
// through. Anything but a DbError fails the test.
std::optional<DbError::Kind> tryEverything(const std::filesystem::path& db) {
  OpenOptions o;
  o.passwords = {"123"};
  try {
    const auto t = TableFile::open(db, o);
    t->readAll();
    TableFile::check(db, o);
    return std::nullopt;
  } catch (const DbError& e) {
    EXPECT_TRUE(e.kind() == DbError::Kind::Corrupt || e.kind() == DbError::Kind::NotParadox ||
                e.kind() == DbError::Kind::PasswordNeeded)
        << e.what();
    if (e.kind() == DbError::Kind::Corrupt) {
      EXPECT_EQ(std::string(e.what()).rfind("Table is corrupt: ", 0), 0u) << e.what();
    }
    return e.kind();
  }
}

TEST(FormatBadInput, NotAParadoxTable) {
  TempDir dir;
  testing::spit(dir / "a.db", "This is a text file, not a table.\n" + std::string(200, 'x'));
  testing::spit(dir / "b.db", "");
  for (const char* name : {"a.db", "b.db"}) {
    try {
      TableFile::open(dir / name, {});
      FAIL() << name;
    } catch (const DbError& e) {
      EXPECT_EQ(e.kind(), DbError::Kind::NotParadox);
      EXPECT_STREQ(e.what(), "Not a Paradox table");
    }
  }
  EXPECT_THROW(TableFile::open(dir / "missing.db", {}), DbError);
  // An index file is not a table either.
  if (!torvelle::testing::samplesPresent()) return;
  testing::copyTable(testing::samplesDir() / "db/ORDERS.DB", dir.path());
  EXPECT_THROW(TableFile::open(dir / "ORDERS.PX", {}), DbError);
}

TEST(FormatBadInput, TruncatedAtAnyLength) {
  TORVELLE_NEEDS_SAMPLES();
  TempDir dir;
  for (const char* sample : {"db/CUSTOMER.DB", "fields/memo.db", "encrypt/encryptedmemo.db"}) {
    const auto src = testing::copyTable(testing::samplesDir() / sample, dir.path());
    const std::string whole = testing::slurp(src);
    for (std::size_t len = 0; len < whole.size(); len += len < 300 ? 7 : 331) {
      testing::spit(src, whole.substr(0, len));
      const auto kind = tryEverything(src);
      if (len < 0x800) {
        EXPECT_TRUE(kind.has_value()) << sample << " cut at " << len;
      }
    }
    // A memo file cut short makes the memos that lie beyond unreadable.
    testing::spit(src, whole);
  }
  const auto mb = dir / "memo.mb";
  testing::spit(mb, testing::slurp(mb).substr(0, 4096));
  EXPECT_EQ(tryEverything(dir / "memo.db"), DbError::Kind::Corrupt);
}

TEST(FormatBadInput, BlockChainThatLoops) {
  TORVELLE_NEEDS_SAMPLES();
  TempDir dir;
  const auto db = testing::copyTable(testing::samplesDir() / "db/AREACODES.DB", dir.path());
  std::string data = testing::slurp(db);
  const int headerSize = getU16(reinterpret_cast<const std::uint8_t*>(&data[2]));
  const int blockSize = data[5] * 1024;
  // The second block's next link points back at the first.
  auto* second =
      reinterpret_cast<std::uint8_t*>(&data[static_cast<std::size_t>(headerSize + blockSize)]);
  putU16(second, 1);
  testing::spit(db, data);
  try {
    TableFile::open(db, {});
    FAIL();
  } catch (const DbError& e) {
    EXPECT_EQ(e.kind(), DbError::Kind::Corrupt);
    EXPECT_NE(std::string(e.what()).find("loops"), std::string::npos) << e.what();
  }
}

TEST(FormatBadInput, CheckNamesWhatIsWrong) {
  TORVELLE_NEEDS_SAMPLES();
  TempDir dir;
  const auto db = testing::copyTable(testing::samplesDir() / "db/ORDERS.DB", dir.path());
  std::string data = testing::slurp(db);
  putU32(reinterpret_cast<std::uint8_t*>(&data[6]), 5);  // record count
  testing::spit(db, data);
  const auto problems = TableFile::check(db, {});
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_NE(problems[0].find("records"), std::string::npos) << problems[0];
  // Two records swapped break the key order.
  data = testing::slurp(testing::samplesDir() / "db/ORDERS.DB");
  const std::size_t rs = getU16(reinterpret_cast<const std::uint8_t*>(&data[0]));
  const std::size_t first = 0x800 + 6;
  std::string a = data.substr(first, rs), b = data.substr(first + rs, rs);
  data.replace(first, rs, b);
  data.replace(first + rs, rs, a);
  testing::spit(db, data);
  const auto order = TableFile::check(db, {});
  ASSERT_FALSE(order.empty());
  EXPECT_NE(order[0].find("key order"), std::string::npos) << order[0];
}

// Random damage to genuine and to our own tables, the way a fuzzer would.
TEST(FormatBadInput, RandomDamageNeverCrashes) {
  TempDir dir;
  std::vector<std::filesystem::path> tables;
  // Our own table is damaged even where the genuine ones are missing.
  if (torvelle::testing::samplesPresent())
    for (const char* sample : {"db/CUSTOMER.DB", "fields/graphic240.db", "encrypt/encryptedmemo.db",
                               "db/AREACODES.DB", "fields/bcd.db", "encrypt/encrypted35.db"})
      tables.push_back(testing::samplesDir() / sample);
  {
    const auto own = dir / "own.db";
    TableFile::create(
        own, {{"K", FieldType::Long, 4}, {"T", FieldType::Alpha, 20}, {"M", FieldType::Memo, 11}},
        1);
    OpenOptions o;
    o.writable = true;
    o.sync = false;
    const auto t = TableFile::open(own, o);
    for (int i = 0; i < 300; ++i)
      t->insert({i, std::string("t"), std::string(static_cast<std::size_t>(i * 7), 'm')});
    tables.push_back(own);
  }
  std::mt19937 rng(2024);
  int failures = 0, successes = 0;
  for (const auto& src : tables) {
    TempDir work;
    const auto db = testing::copyTable(src, work.path());
    std::vector<std::pair<std::filesystem::path, std::string>> originals;
    for (const auto& e : std::filesystem::directory_iterator(work.path()))
      originals.emplace_back(e.path(), testing::slurp(e.path()));
    for (int round = 0; round < 150; ++round) {
      for (const auto& [path, data] : originals) {
        std::string damaged = data;
        const int hits = 1 + static_cast<int>(rng() % 8);
        for (int h = 0; h < hits && !damaged.empty(); ++h) {
          // Mostly the header and block heads, where the structure lives.
          const std::size_t span =
              rng() % 2 ? std::min<std::size_t>(damaged.size(), 0x100) : damaged.size();
          damaged[rng() % span] = static_cast<char>(rng());
        }
        testing::spit(path, damaged);
      }
      (tryEverything(db) ? failures : successes)++;
      // Changing a damaged table fails cleanly too, or works.
      try {
        OpenOptions o;
        o.writable = true;
        o.sync = false;
        o.passwords = {"123"};
        const auto t = TableFile::open(db, o);
        if (t->recordCount() > 0) t->remove(rng() % t->recordCount());
      } catch (const DbError&) {
      }
    }
  }
  EXPECT_GT(failures, 0);
  EXPECT_GT(successes, 0);
}

}  // namespace
}  // namespace torvelle::format
