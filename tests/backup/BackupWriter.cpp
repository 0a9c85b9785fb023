// Inserts task records FIRST, FIRST+1, ... into TABLE in bursts of BURST, the
// table opened for writing once per burst, until COUNT are in. Standard
// output gets "done" at the end. A table held by a backup is waited for;
// between bursts the table is left alone for a moment.
#include <chrono>
#include <cstdlib>
#include <iostream>
#include <thread>

#include "TaskRecords.h"
#include "engine/DbError.h"
#include "engine/format/TableFile.h"

int main(int argc, char** argv) {
  if (argc != 5) {
    std::cerr << "usage: backup_writer TABLE FIRST BURST COUNT\n";
    return 2;
  }
  const int first = std::atoi(argv[2]), burst = std::atoi(argv[3]), count = std::atoi(argv[4]);
  try {
    torvelle::format::OpenOptions options;
    options.writable = true;
    options.sync = false;
    for (int n = first; n < first + count;) {
      std::unique_ptr<torvelle::format::TableFile> table;
      try {
        table = torvelle::format::TableFile::open(argv[1], options);
      } catch (const torvelle::engine::DbError& e) {
        if (e.kind() != torvelle::engine::DbError::Kind::Busy) throw;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        continue;
      }
      for (int i = 0; i < burst; ++i, ++n) table->insert(torvelle::backup::test::taskRecord(n));
      table.reset();
      // As a person or an import would, not in a loop so tight that nobody
      // else ever gets the table.
      std::this_thread::sleep_for(std::chrono::milliseconds(3));
    }
    std::cout << "done" << std::endl;
  } catch (const std::exception& e) {
    std::cerr << "backup_writer: " << e.what() << '\n';
    return 1;
  }
}
