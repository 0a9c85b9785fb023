// Inserts records with keys FIRST, FIRST+1, ... into TABLE until it is
// killed. After each insert has returned, the key is written to standard
// output (a pipe to the parent) before the next one starts: a written key is
// a record the table has promised to keep. "open" comes first, once the
// table is open.
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
    for (std::int32_t key = std::atoi(argv[2]);; ++key) {
      table->insert(torvelle::tools::test::crashRecord(key));
      const std::string line = std::to_string(key) + "\n";
      if (write(STDOUT_FILENO, line.data(), line.size()) != static_cast<ssize_t>(line.size())) {
        return 3;
      }
    }
  } catch (const std::exception& e) {
    std::cerr << "crash_child: " << e.what() << '\n';
    return 1;
  }
}
