// A data folder in another code page: all tables or none, after a backup;
// torvelle-db killed while it recodes leaves each table old or new.
#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <thread>

#include "BackupFixture.h"
#include "Spawn.h"
#include "backup/BackupFolder.h"
#include "backup/Recode.h"

namespace torvelle::backup::test {
namespace {

const fs::path kPhones = "DB/Phones/Phones.db";

void addContact(const fs::path& root, const std::string& name) {
  format::OpenOptions options;
  options.writable = true;
  const auto table = format::TableFile::open(root / kPhones, options);
  format::Record record(table->info().fields.size());
  record[0] = std::string("Friends");
  record[1] = name;
  table->insert(record);
}

// Every table's records, by relative path.
std::map<std::string, std::vector<format::Record>> folderRecords(const fs::path& root) {
  std::map<std::string, std::vector<format::Record>> records;
  for (const auto& t : engine::shippedTables())
    records[t.relativePath] = format::TableFile::open(root / t.relativePath, {})->readAll();
  return records;
}

// Links in the last table, so that a kill can land while the first tables
// are new and the last is still being written.
void addLinks(const fs::path& root, int count) {
  format::OpenOptions options;
  options.writable = true;
  options.sync = false;
  const auto table = format::TableFile::open(root / "DB/Links/Links.db", options);
  table->batch([&] {
    for (int n = 0; n < count; ++n)
      table->insert({std::string("Web"), "https://example.org/" + std::to_string(n),
                     "Link number " + std::to_string(n)});
  });
}

int codePageOf(const fs::path& table) {
  return format::TableFile::open(table, {})->info().codePage;
}

TEST(RecodeFolder, LatinStoreGoesTo1252AndBackAndCyrillicOneStaysByteForByte) {
  const TempDir dir;
  makeTables(dir.path(), 30);
  addContact(dir.path(), "Anna Smith");
  const auto records = folderRecords(dir.path());

  const auto there = recodeFolder(dir.path(), {1252, 0, {}});
  EXPECT_TRUE(there.unfit.empty());
  EXPECT_EQ(there.recoded.size(), 7u);
  EXPECT_EQ(listBackups(backupFolder(dir.path())).size(), 1u);
  for (const auto& t : engine::shippedTables()) EXPECT_EQ(codePageOf(dir / t.relativePath), 1252);
  EXPECT_EQ(folderRecords(dir.path()), records);
  const auto back = recodeFolder(dir.path(), {1251, 0, {}});
  EXPECT_EQ(back.recoded.size(), 7u);
  EXPECT_EQ(folderRecords(dir.path()), records);

  addContact(dir.path(), "Жуков");
  const auto files = tableFiles(dir.path());
  const auto refused = recodeFolder(dir.path(), {1252, 0, {}});
  ASSERT_EQ(refused.unfit.size(), 1u);
  EXPECT_EQ(refused.unfit[0].table, kPhones.string());
  EXPECT_EQ(refused.unfit[0].text.field, "Name");
  EXPECT_EQ(refused.unfit[0].text.characters, "Жуков");
  EXPECT_TRUE(refused.recoded.empty());
  EXPECT_EQ(tableFiles(dir.path()), files);
  EXPECT_EQ(listBackups(backupFolder(dir.path())).size(), 2u) << "no backup for a refusal";
}

pid_t spawnTool(const std::vector<std::string>& args) {
  std::vector<std::string> argv = {TORVELLE_DB_TOOL};
  argv.insert(argv.end(), args.begin(), args.end());
  return spawnQuiet(argv);
}

int waitFor(pid_t pid) {
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
  }
  return status;
}

// The code page in a table's header, read from the file as it is now.
int declaredOnDisk(const fs::path& table) {
  const std::string bytes = torvelle::testing::readBytes(table);
  if (bytes.size() < 0x6C) return 0;
  return static_cast<unsigned char>(bytes[0x6A]) | static_cast<unsigned char>(bytes[0x6B]) << 8;
}

// Kills the moment the first table is new, and at instants spread over a
// whole run: afterwards every table opens, passes check and holds its
// records, in 1251 or in 1252; a second run finishes the rest.
TEST(RecodeFolder, KillLeavesEachTableOldOrNewAndAnotherRunFinishes) {
  const TempDir pristine;
  makeTables(pristine.path(), 4000);
  addLinks(pristine.path(), 4000);
  const auto records = folderRecords(pristine.path());
  const auto freshCopy = [&](const fs::path& to) {
    fs::copy(pristine.path() / "DB", to / "DB", fs::copy_options::recursive);
  };
  const TempDir timing;
  freshCopy(timing.path());
  const auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(waitFor(spawnTool({"recode", timing.path().string(), "--code-page", "1252"})), 0);
  const auto took = std::chrono::steady_clock::now() - start;

  int mixed = 0;
  constexpr int kRuns = 8;
  for (int i = 1; i <= kRuns; ++i) {
    SCOPED_TRACE(i);
    const TempDir dir;
    freshCopy(dir.path());
    const pid_t tool = spawnTool({"recode", dir.path().string(), "--code-page", "1252"});
    bool ended = false;
    if (i % 2 == 0) {
      int status = 0;
      while (declaredOnDisk(tasksPath(dir.path())) != 1252 &&
             !(ended = waitpid(tool, &status, WNOHANG) == tool))
        std::this_thread::sleep_for(std::chrono::microseconds(100));
    } else {
      std::this_thread::sleep_for(took * i / kRuns);
    }
    if (!ended) {
      kill(tool, SIGKILL);
      waitFor(tool);
    }
    std::set<int> pages;
    for (const auto& t : engine::shippedTables()) {
      const fs::path table = dir / t.relativePath;
      pages.insert(codePageOf(table));
      EXPECT_TRUE(format::TableFile::check(table, {}).empty());
    }
    EXPECT_EQ(folderRecords(dir.path()), records);
    if (pages.size() != 2) continue;
    ++mixed;
    ASSERT_EQ(waitFor(spawnTool({"recode", dir.path().string(), "--code-page", "1252"})), 0);
    for (const auto& t : engine::shippedTables()) EXPECT_EQ(codePageOf(dir / t.relativePath), 1252);
    EXPECT_EQ(folderRecords(dir.path()), records);
  }
  EXPECT_GT(mixed, 0) << "no kill landed between the first table and the last";
}

}  // namespace
}  // namespace torvelle::backup::test
