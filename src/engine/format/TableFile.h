#pragma once
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/format/Value.h"

namespace torvelle::format {

// What the header says about a table.
struct TableInfo {
  std::vector<FieldDef> fields;
  int keyFieldCount = 0;  // leading fields that form the primary key; 0 = not keyed
  int codePage = 0;       // the code page text is stored in
  int sortOrder = 0;      // the sort order byte of the header
  std::string sortName;   // and its name ("ancyrr"); empty before level 4
  int level = 0;          // format level: 30, 35, 40, 50, 70
  int blockSize = 0;      // data block size in bytes
  bool encrypted = false;
  std::uint32_t autoIncrement = 0;
};

struct OpenOptions {
  bool writable = false;
  // Passwords to try on a protected table; the first that fits opens it.
  // None fits: DbError(PasswordNeeded).
  std::vector<std::string> passwords;
  // Off only for bulk loads and benchmarks: changes stay atomic against a
  // crash of the process, but are not fsynced, so a power cut may lose them.
  bool sync = true;
  // Called at fixed points of each commit ("journal" once the rollback
  // journal is on disk, "write" after each block written, "synced" once the
  // table files are flushed); crash tests stop the process there.
  std::function<void(std::string_view)> commitHook;
  // Reading only: the text is taken as bytes of this code page instead of
  // the one the header declares (0), for tables whose header is wrong.
  int readAs = 0;
};

// Changes to some fields of a record: field index and its new value. Fields
// not named keep their stored bytes exactly.
using FieldChanges = std::vector<std::pair<int, Value>>;

// One Paradox table on disk: the .DB with its .MB and .PX companions, found
// in any letter case. Records are addressed by ordinal, their position in the
// block chain (key order for keyed tables). Every change is durable and
// atomic when the call returns: a crash at any instant leaves the table as it
// was before or after that call. Errors are engine::DbError.
class TableFile {
 public:
  virtual ~TableFile() = default;

  // Opens a table; recovers an interrupted change first (when writable).
  // A writable open holds the table exclusively: a second writer, in this or
  // another process, gets DbError(Busy) "Table is busy".
  static std::unique_ptr<TableFile> open(const std::filesystem::path& dbPath,
                                         const OpenOptions& options);

  // Creates an empty table (level 7, code page 1251 unless told otherwise),
  // with .MB when it has blob fields and .PX when keyFieldCount > 0.
  static void create(const std::filesystem::path& dbPath, const std::vector<FieldDef>& fields,
                     int keyFieldCount, int codePage = 1251, const std::string& password = {});

  // True when the header carries a master password; the check value of a
  // password's bytes as given (a table computes it over the password in its
  // own code page, so pass such bytes for non-ASCII passwords).
  static bool isProtected(const std::filesystem::path& dbPath);
  static std::uint32_t passwordCheckValue(const std::string& password);

  // Rebuilds the table without deleted space, blobs compacted, index rebuilt.
  // The table must not be open for writing elsewhere; new files are renamed
  // into place, so a failure leaves the old table whole.
  static void pack(const std::filesystem::path& dbPath, const OpenOptions& options);

  // Sets (non-empty) or removes (empty) the master password; every block is
  // rewritten. Same guarantees as pack().
  static void setPassword(const std::filesystem::path& dbPath, const OpenOptions& options,
                          const std::string& newPassword);

  // Adds `added` after the last field. Every record keeps its bytes and gets
  // initial(f, record ordinal) for each new field f (its index in the new
  // layout); keys, blobs, the password, the code page and the sort order
  // stay. The table is rewritten at the current format level; same
  // guarantees as pack().
  using InitialValue = std::function<Value(std::size_t field, std::size_t record)>;
  static void appendFields(const std::filesystem::path& dbPath, const OpenOptions& options,
                           const std::vector<FieldDef>& added, const InitialValue& initial);

  // The fields a table's header declares, read without opening the table
  // (a protected table needs no password for this).
  static std::vector<FieldDef> declaredFields(const std::filesystem::path& dbPath);

  // Consistency check of header, chain, counts, key order, index and blob
  // references; returns the problems found (empty when sound).
  static std::vector<std::string> check(const std::filesystem::path& dbPath,
                                        const OpenOptions& options);
  // Which key order the records are stored in, in words: the Cyrillic sort
  // orders keep keys in dictionary order, and a table an earlier build wrote
  // in byte order is told apart (it is sound, and put in order by its next
  // writable open or a pack).
  static std::string keyOrderNote(const std::filesystem::path& dbPath, const OpenOptions& options);

  virtual const TableInfo& info() const = 0;
  virtual std::size_t recordCount() const = 0;
  virtual Record read(std::size_t ordinal) const = 0;
  virtual std::vector<Record> readAll() const = 0;
  // The stored bytes of a record, exactly as on disk (decrypted).
  virtual std::string readRaw(std::size_t ordinal) const;

  // Keyed tables: a duplicate key throws DbError(KeyViolation) "Key
  // violation." and changes nothing. Returns the ordinal the record now has;
  // records at or after it move up by one (keyed), or it is appended (not keyed).
  virtual std::size_t insert(const Record& record) = 0;
  // Returns the record's new ordinal (a changed key may move it).
  virtual std::size_t update(std::size_t ordinal, const FieldChanges& changes) = 0;
  // Records after `ordinal` move down by one.
  virtual void remove(std::size_t ordinal) = 0;

  // Gathers the inserts, updates and removes that `work` makes on this table
  // into one durable change: one journal, one group of fsyncs at the end;
  // after a crash or kill -9 all of them are on disk or none. If `work`
  // throws, the table is as before and the exception goes on. Reads inside
  // `work` see its changes; a batch inside a batch joins the outer one.
  virtual void batch(const std::function<void()>& work);

  // The same changes to every record at `ordinals` (distinct), as one
  // change; returns each record's ordinal once all of them are made. A key
  // violation, also between the changed records, changes nothing.
  virtual std::vector<std::size_t> updateMany(const std::vector<std::size_t>& ordinals,
                                              const FieldChanges& changes) = 0;
  // Removes the records at `ordinals` (distinct) as one change.
  virtual void removeMany(std::vector<std::size_t> ordinals) = 0;

  // Keyed tables: the ordinals [first, second) of the records whose leading
  // key fields equal `key` (key.size() <= key fields); O(log n).
  virtual std::pair<std::size_t, std::size_t> keyRange(const Record& key) const = 0;
};

}  // namespace torvelle::format
