// Two data folders syncing through one real Radicale must end up the same,
// whatever each side did in between.
#include <gtest/gtest.h>

#include "sync/Radicale.h"
#include "sync/SyncFolders.h"

namespace torvelle::sync::test {
namespace {

using testing::Radicale;
using tools::test::ProcessResult;
using tools::test::runProcess;
using tools::test::TempDir;

class SyncScenario : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!Radicale::available()) GTEST_SKIP() << "Radicale is not installed";
    server_ = std::make_unique<Radicale>();
    makeFolder(a_.path());
    makeFolder(b_.path());
  }

  ProcessResult sync(const TempDir& folder, bool setUp = false) {
    std::vector<std::string> argv = {TORVELLE_DB_TOOL, "sync", folder.path().string()};
    if (setUp) {
      argv.insert(argv.end(), {"--server", server_->url(), "--user", "alice", "--password-file",
                               server_->passwordFile()});
    }
    ProcessResult r = runProcess(argv, scratch_.path());
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    return r;
  }

  void expectSame() {
    for (const auto book : {SyncBook::Phones, SyncBook::Tasks, SyncBook::Dates}) {
      EXPECT_EQ(contents(a_.path(), book), contents(b_.path(), book)) << bookName(book);
    }
  }

  std::unique_ptr<Radicale> server_;
  TempDir a_, b_, scratch_;
};

TEST_F(SyncScenario, TwoFoldersConvergeThroughEditsMovesDeletionsAndConflicts) {
  add(a_.path(), SyncBook::Phones,
      {{"Section", "Друзья"}, {"Name", "Иван Петров"}, {"HomePhone", "+7 495 1234567"}});
  add(a_.path(), SyncBook::Phones,
      {{"Section", "Work"}, {"Name", "Ann Lee"}, {"Email", "ann@x.org"}});
  add(a_.path(), SyncBook::Tasks,
      {{"Date", "2026-12-10"}, {"Time", "36000000"}, {"Task", "Купить молоко"}});
  add(a_.path(), SyncBook::Tasks, {{"Date", "2026-12-11"}, {"Task", "Call Bob"}});
  add(a_.path(), SyncBook::Dates,
      {{"Section", "Birthdays"}, {"Date", "1990-05-01"}, {"Event", "Anna"}});
  sync(a_, true);
  sync(b_, true);
  expectSame();
  ASSERT_EQ(contents(b_.path(), SyncBook::Phones).size(), 2u);

  // Each side edits, moves and deletes something else.
  edit(a_.path(), SyncBook::Tasks, "Task", "Купить молоко",
       {{"Date", "2026-12-12"}, {"Task", "Купить хлеб"}, {"Done", "1"}});
  edit(b_.path(), SyncBook::Phones, "Name", "Иван Петров",
       {{"Section", "Семья"}, {"Cellular", "+7 916 0000000"}});
  remove(a_.path(), SyncBook::Dates, "Event", "Anna");
  add(b_.path(), SyncBook::Dates,
      {{"Section", "Anniversaries"}, {"Date", "2001-06-30"}, {"Event", "Wedding"}});
  // Both change the same task's text: the server's (first) one wins and the
  // other is kept in the description; fields only one side touched merge.
  edit(a_.path(), SyncBook::Tasks, "Task", "Call Bob", {{"Task", "Call Bob at home"}});
  edit(b_.path(), SyncBook::Tasks, "Task", "Call Bob",
       {{"Task", "Call Robert"}, {"Description", "about the car"}});
  // One side deletes what the other edits: the edit stays.
  remove(a_.path(), SyncBook::Phones, "Name", "Ann Lee");
  edit(b_.path(), SyncBook::Phones, "Name", "Ann Lee", {{"WorkPhone", "555-0101"}});

  sync(a_);
  const ProcessResult second = sync(b_);
  sync(a_);
  expectSame();
  EXPECT_NE(second.out.find("Conflicts (1)"), std::string::npos) << second.out;

  const auto tasks = contents(a_.path(), SyncBook::Tasks);
  ASSERT_EQ(tasks.size(), 2u);
  const std::string joined = tasks[0] + tasks[1];
  EXPECT_NE(joined.find("Task=Call Bob at home"), std::string::npos) << joined;
  EXPECT_NE(joined.find("Task: Call Robert"), std::string::npos) << joined;
  EXPECT_NE(joined.find("Date=2026-12-12; Done=1; Task=Купить хлеб"), std::string::npos) << joined;
  const auto phones = contents(a_.path(), SyncBook::Phones);
  ASSERT_EQ(phones.size(), 2u);
  const std::string people = phones[0] + phones[1];
  EXPECT_NE(people.find("WorkPhone=555-0101"), std::string::npos) << people;
  EXPECT_NE(people.find("Cellular=+7 916 0000000; HomePhone=+7 495 1234567; Name=Иван Петров; "
                        "Section=Семья"),
            std::string::npos)
      << people;
  EXPECT_EQ(contents(a_.path(), SyncBook::Dates).size(), 1u);
}

}  // namespace
}  // namespace torvelle::sync::test
