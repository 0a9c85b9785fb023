// A writer killed at random instants: after every kill the table must pass
// check and hold exactly the records whose inserts had returned, plus at most
// the one that was being written.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <thread>

#include "CrashRecords.h"
#include "ToolHarness.h"
#include "engine/format/TableFile.h"

namespace torvelle::tools {
namespace {

using format::TableFile;

struct ChildRun {
  std::vector<std::int32_t> acknowledged;
  std::vector<std::string> renames;  // cascade mode: the names given, in order
  bool opened = false;               // the kill came after the child had opened the table
  bool killed = false;
  int exitStatus = 0;
};

// Starts the child on `table` from `firstKey`, kills it after `delay`, and
// collects the number of every insert it acknowledged before it died.
ChildRun runAndKill(const std::filesystem::path& table, const std::string& firstArg,
                    std::chrono::microseconds delay, bool cascade = false) {
  int fds[2];
  if (pipe(fds) != 0) throw std::runtime_error("pipe");
  const std::string child = CRASH_CHILD;
  const std::string tablePath = table.string();
  const std::string& first = firstArg;
  const pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("fork");
  if (pid == 0) {
    dup2(fds[1], STDOUT_FILENO);
    close(fds[0]);
    close(fds[1]);
    if (cascade)
      execl(child.c_str(), child.c_str(), "cascade", tablePath.c_str(), nullptr);
    else
      execl(child.c_str(), child.c_str(), tablePath.c_str(), first.c_str(), nullptr);
    _exit(127);
  }
  close(fds[1]);
  std::this_thread::sleep_for(delay);
  kill(pid, SIGKILL);
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
  }
  // The pipe keeps what the child wrote before it died.
  std::string text;
  char buffer[4096];
  ssize_t n = 0;
  while ((n = read(fds[0], buffer, sizeof buffer)) > 0) text.append(buffer, n);
  close(fds[0]);

  ChildRun run;
  run.killed = WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
  run.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    if (line == "open") {
      run.opened = true;
    } else if (cascade) {
      run.renames.push_back(line);
    } else {
      run.acknowledged.push_back(std::stoi(line));
    }
  }
  return run;
}

TEST(CrashTest, KilledWriterLosesNoAcknowledgedRecordAndLeavesASoundTable) {
  test::TempDir dir;
  const auto table = dir / "Crash.db";
  TableFile::create(table, test::crashFields(), 1);

  const unsigned seed = std::random_device{}();
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> delayUs(0, 50'000);
  SCOPED_TRACE("seed " + std::to_string(seed));

  std::set<std::int32_t> kept;  // every record the table must hold from now on
  {
    // A few blocks of records first, so that the killed inserts fall into
    // full blocks and split them.
    format::OpenOptions options;
    options.writable = true;
    options.sync = false;
    const auto writer = TableFile::open(table, options);
    for (std::int32_t n = 50'000; n < 50'200; ++n) {
      writer->insert(test::crashRecord(test::crashKey(n)));
      kept.insert(test::crashKey(n));
    }
  }
  std::int32_t next = 1;  // number of the next insert (its key is crashKey(next))
  int killedDuringWork = 0;
  int inFlightKept = 0;  // kills after a write was complete but before it was acknowledged
  for (int round = 0; round < 30; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    const ChildRun run =
        runAndKill(table, std::to_string(next), std::chrono::microseconds(delayUs(random)));
    ASSERT_TRUE(run.killed) << "the child ended by itself with status " << run.exitStatus;

    // Inserts are acknowledged in order, starting at `next`.
    for (std::size_t i = 0; i < run.acknowledged.size(); ++i) {
      ASSERT_EQ(run.acknowledged[i], next + static_cast<std::int32_t>(i));
      kept.insert(test::crashKey(run.acknowledged[i]));
    }
    const std::int32_t inFlightNumber = next + static_cast<std::int32_t>(run.acknowledged.size());
    const std::int32_t inFlight = test::crashKey(inFlightNumber);
    if (run.opened) ++killedDuringWork;

    const auto check = test::runTool({"check", table.string()}, dir.path());
    ASSERT_EQ(check.status, 0) << check.err;

    const auto records = TableFile::open(table, {})->readAll();
    std::set<std::int32_t> present;
    for (const auto& record : records) {
      const auto key = std::get<std::int32_t>(record.at(0));
      EXPECT_EQ(record, test::crashRecord(key)) << "record " << key << " damaged";
      present.insert(key);
    }
    for (const std::int32_t key : kept) {
      EXPECT_TRUE(present.count(key)) << "acknowledged record " << key << " lost";
    }
    for (const std::int32_t key : present) {
      EXPECT_TRUE(kept.count(key) || key == inFlight) << "record " << key << " never written";
    }
    if (present.count(inFlight)) {
      kept.insert(inFlight);
      ++inFlightKept;
    }
    ASSERT_EQ(present, kept);
    // The next child starts past the insert that was in flight, written or not.
    next = inFlightNumber + 1;
  }
  // Kills that all landed before the table was open would prove little.
  EXPECT_GE(killedDuringWork, 10);
  EXPECT_GT(kept.size(), 200u);  // some child inserts, not just the first blocks
  std::cout << "crash test: " << kept.size() << " records kept over 30 kills, " << killedDuringWork
            << " kills among the inserts, " << inFlightKept << " unacknowledged records kept, seed "
            << seed << '\n';
}

// A rename of a section of 10,000 records killed at random instants: every
// record has the old name or every record has the new one, and a rename the
// engine had returned from is never undone.
TEST(CrashTest, AKilledCascadeLeavesEveryRecordOldOrEveryRecordNew) {
  test::TempDir dir;
  const auto table = dir / "Phones.db";
  TableFile::create(table, test::cascadeFields(), 2);
  {
    format::OpenOptions options;
    options.writable = true;
    const auto writer = TableFile::open(table, options);
    writer->batch([&] {
      for (int n = 0; n < test::kCascadeRecords; ++n)
        writer->insert(test::cascadeRecord(test::kCascadeNames[0], n));
      for (int n = 0; n < 500; ++n) writer->insert(test::cascadeRecord(test::kBystanderSection, n));
    });
  }
  const unsigned seed = std::random_device{}();
  std::mt19937 random(seed);
  // The child needs some time to open the table; most kills land in a rename.
  std::uniform_int_distribution<int> delayMs(150, 2500);
  SCOPED_TRACE("seed " + std::to_string(seed));

  std::string name = test::kCascadeNames[0];  // the name the last returned rename gave
  int renamesSeen = 0, killsAfterOpen = 0;
  for (int round = 0; round < 12; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    const auto run =
        runAndKill(table, {}, std::chrono::milliseconds(delayMs(random)), /*cascade=*/true);
    ASSERT_TRUE(run.killed) << "the child ended by itself with status " << run.exitStatus;
    if (run.opened) ++killsAfterOpen;
    renamesSeen += static_cast<int>(run.renames.size());
    if (!run.renames.empty()) name = run.renames.back();
    const std::string other =
        name == test::kCascadeNames[0] ? test::kCascadeNames[1] : test::kCascadeNames[0];

    const auto check = test::runTool({"check", table.string()}, dir.path());
    ASSERT_EQ(check.status, 0) << check.err;
    std::map<std::string, int> bySection;
    for (const auto& record : TableFile::open(table, {})->readAll())
      ++bySection[std::get<std::string>(record.at(0))];
    ASSERT_EQ(bySection[test::kBystanderSection], 500);
    // The returned rename holds, or the one in flight took the whole section.
    const bool old = bySection[name] == test::kCascadeRecords && !bySection.count(other);
    const bool renamed = bySection[other] == test::kCascadeRecords && bySection[name] == 0;
    ASSERT_TRUE(old || renamed) << name << ": " << bySection[name] << ", " << other << ": "
                                << bySection[other];
    if (renamed) name = other;
  }
  EXPECT_GE(killsAfterOpen, 8);
  EXPECT_GT(renamesSeen, 0);
  std::cout << "cascade crash test: " << renamesSeen << " renames over 12 kills, seed " << seed
            << '\n';
}

}  // namespace
}  // namespace torvelle::tools
