// Inserts the records number FIRST, FIRST+1, ... (keys by crashKey) into
// TABLE until it is killed. After each insert has returned, its number goes
// to standard output (a pipe to the parent) before the next one starts: a
// number written is a record the table has promised to keep. "open" comes
// first, once the table is open.
//
// With "cascade" first, it renames the cascaded section of TABLE back and
// forth through the engine's one-change rename, writing the new name after
// each rename has returned.
#include <unistd.h>

#include <cstdlib>
#include <iostream>
#include <string>

#include "CrashRecords.h"
#include "engine/DbError.h"
#include "engine/Session.h"
#include "engine/Table.h"
#include "engine/format/TableFile.h"

namespace {

bool say(const std::string& line) {
  const std::string text = line + "\n";
  return write(STDOUT_FILENO, text.data(), text.size()) == static_cast<ssize_t>(text.size());
}

int renameForever(const char* path) {
  using namespace torvelle;
  engine::Session session;
  engine::Table table(session);
  table.setTableName(path);
  table.open();
  if (!say("open")) return 3;
  for (;;) {
    for (int to = 0; to < 2; ++to) {
      const std::string from = tools::test::kCascadeNames[1 - to];
      const auto marks = table.bookmarksWithKey({from});
      if (marks.empty()) continue;
      table.updateRecords(marks, {{0, std::string(tools::test::kCascadeNames[to])}});
      if (!say(tools::test::kCascadeNames[to])) return 3;
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "cascade") {
    try {
      return renameForever(argv[2]);
    } catch (const std::exception& e) {
      std::cerr << "crash_child: " << e.what() << '\n';
      return 1;
    }
  }
  if (argc != 3) {
    std::cerr << "usage: crash_child TABLE FIRST\n";
    return 2;
  }
  try {
    torvelle::format::OpenOptions options;
    options.writable = true;
    const auto table = torvelle::format::TableFile::open(argv[1], options);
    // Tells the parent that a kill from now on lands among the inserts.
    if (write(STDOUT_FILENO, "open\n", 5) != 5) return 3;
    for (std::int32_t n = std::atoi(argv[2]);; ++n) {
      table->insert(torvelle::tools::test::crashRecord(torvelle::tools::test::crashKey(n)));
      const std::string line = std::to_string(n) + "\n";
      if (write(STDOUT_FILENO, line.data(), line.size()) != static_cast<ssize_t>(line.size())) {
        return 3;
      }
    }
  } catch (const std::exception& e) {
    std::cerr << "crash_child: " << e.what() << '\n';
    return 1;
  }
}
