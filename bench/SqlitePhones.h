#pragma once
// The phone records in an SQLite table: the yardstick some figures are set
// against. Failures throw std::runtime_error with SQLite's message.
#include <sqlite3.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "engine/format/TableFile.h"

namespace torvelle::bench {

class SqlitePhones {
 public:
  // `path` may be ":memory:"; `keyed` gives the table the phone book's
  // primary key (section, name).
  SqlitePhones(const std::string& path, bool keyed) {
    if (sqlite3_open(path.c_str(), &db_) != SQLITE_OK) {
      sqlite3_close(db_);
      throw std::runtime_error("sqlite open " + path);
    }
    exec(std::string("CREATE TABLE phones(section, name, home, work, country, zip, city, street, "
                     "cell, icq, email, web") +
         (keyed ? ", PRIMARY KEY(section, name))" : ")"));
  }
  ~SqlitePhones() { sqlite3_close(db_); }
  SqlitePhones(const SqlitePhones&) = delete;
  SqlitePhones& operator=(const SqlitePhones&) = delete;

  sqlite3* db() const { return db_; }

  void exec(const std::string& sql) {
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
      throw std::runtime_error(sqlite3_errmsg(db_));
  }

  // Every record (twelve texts) in one transaction.
  void insertAll(const std::vector<format::Record>& records) {
    exec("BEGIN");
    sqlite3_stmt* ins = nullptr;
    sqlite3_prepare_v2(db_, "INSERT INTO phones VALUES(?,?,?,?,?,?,?,?,?,?,?,?)", -1, &ins,
                       nullptr);
    for (const auto& r : records) {
      for (int i = 0; i < 12; ++i) {
        const auto& s = std::get<std::string>(r[static_cast<std::size_t>(i)]);
        sqlite3_bind_text(ins, i + 1, s.data(), static_cast<int>(s.size()), SQLITE_STATIC);
      }
      if (sqlite3_step(ins) != SQLITE_DONE) {
        sqlite3_finalize(ins);
        throw std::runtime_error(sqlite3_errmsg(db_));
      }
      sqlite3_reset(ins);
    }
    sqlite3_finalize(ins);
    exec("COMMIT");
  }

 private:
  sqlite3* db_ = nullptr;
};

}  // namespace torvelle::bench
