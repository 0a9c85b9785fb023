// Inserts the records number FIRST, FIRST+1, ... (keys by crashKey) into
// TABLE until it is killed. After each insert has returned, its number goes
// to standard output (a pipe to the parent) before the next one starts: a
// number written is a record the table has promised to keep. "open" comes
// first, once the table is open.
#include <unistd.h>

#include <cstdlib>
#include <iostream>
#include <string>

#include "CrashRecords.h"
#include "engine/DbError.h"
#include "engine/format/TableFile.h"

int main(int argc, char** argv) {
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
