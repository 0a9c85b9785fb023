// Two data folders syncing through one real Radicale must end up the same,
// whatever each side did in between.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

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

// Plain HTTP from another client: `method` on the path with `body`; what the
// server answered comes back on standard output.
std::string http(const Radicale& server, const TempDir& scratch, const std::string& method,
                 const std::string& path, const std::string& body = {}) {
  tools::test::writeFile(scratch / "body", body);
  tools::test::writeFile(scratch / "other_client.py", R"(import sys, urllib.request, base64
req = urllib.request.Request(sys.argv[1], data=open(sys.argv[3], 'rb').read() or None, method=sys.argv[2])
req.add_header('Authorization', 'Basic ' + base64.b64encode(b'alice:secret').decode())
req.add_header('Content-Type', 'text/vcard; charset=utf-8')
sys.stdout.write(urllib.request.urlopen(req).read().decode())
)");
  const auto r = runProcess({PYTHON, (scratch / "other_client.py").string(), server.url() + path,
                             method, (scratch / "body").string()},
                            scratch.path());
  EXPECT_EQ(r.status, 0) << r.err;
  return r.out;
}

TEST_F(SyncScenario, AnotherClientsPhotoAndPhonesSurviveOurEdit) {
  sync(a_, true);  // makes the collections
  http(*server_, scratch_, "PUT", "/alice/contacts/other.vcf",
       "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:urn:uuid:6f1c1f5e-other\r\nFN:Олег\r\n"
       "N:;Олег;;;\r\nPHOTO;ENCODING=b;TYPE=JPEG:/9j/4AAQSkZJRgABAQ==\r\nTEL;TYPE=home:111\r\n"
       "TEL;TYPE=home:222\r\nTEL;TYPE=fax:333\r\nX-PHONE-APP:keep\r\nEND:VCARD\r\n");
  sync(a_);
  edit(a_.path(), SyncBook::Phones, "Name", "Олег", {{"HomePhone", "999"}, {"Email", "o@x.org"}});
  sync(a_);
  const std::string card = http(*server_, scratch_, "GET", "/alice/contacts/other.vcf");
  for (const char* kept :
       {"/9j/4AAQSkZJRgABAQ==", "TEL;TYPE=home:222", "TEL;TYPE=fax:333", "X-PHONE-APP:keep",
        "TEL;TYPE=home:999", "EMAIL;TYPE=INTERNET:o@x.org", "UID:urn:uuid:6f1c1f5e-other"}) {
    EXPECT_NE(card.find(kept), std::string::npos) << kept << "\n" << card;
  }
  EXPECT_EQ(card.find(":111"), std::string::npos) << card;
}

TEST_F(SyncScenario, KilledSyncsLeaveEverythingSoundAndTheNextOneFinishesWithoutDuplicates) {
  constexpr std::size_t kTasks = 300;
  {
    auto tasks = openBook(a_.path(), SyncBook::Tasks);
    tasks->batch([&] {
      for (std::size_t i = 0; i < kTasks; ++i) {
        FieldMap f = {{"Date", "2027-01-0" + std::to_string(1 + i % 9)},
                      {"Time", std::to_string(i * 1000)},
                      {"Task", "Задача " + std::to_string(i)}};
        tasks->insert(recordWithFields(tasks->info(), {}, f));
      }
    });
  }
  sync(b_, true);
  for (int round = 0; round < 6; ++round) {
    const std::vector<std::string> args = {TORVELLE_DB_TOOL,
                                           "sync",
                                           a_.path().string(),
                                           "--server",
                                           server_->url(),
                                           "--user",
                                           "alice",
                                           "--password-file",
                                           server_->passwordFile()};
    const pid_t pid = ::fork();
    if (pid == 0) {
      std::vector<char*> argv;
      argv.reserve(args.size() + 1);
      for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      ::freopen("/dev/null", "w", stdout);
      ::execv(argv[0], argv.data());
      ::_exit(127);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(150 + 250 * round));
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    for (const auto& table :
         {LocalBook::tablePath(a_.path(), SyncBook::Tasks), a_.path() / "DB/Sync/SyncItems.db"}) {
      if (!std::filesystem::exists(table)) continue;
      EXPECT_EQ(format::TableFile::check(table, {}), std::vector<std::string>{}) << table;
    }
  }
  sync(a_);
  sync(b_);
  // B starts from the server alone: a duplicate there would be a record more.
  EXPECT_EQ(contents(a_.path(), SyncBook::Tasks).size(), kTasks);
  EXPECT_EQ(contents(b_.path(), SyncBook::Tasks), contents(a_.path(), SyncBook::Tasks));
}

}  // namespace
}  // namespace torvelle::sync::test
