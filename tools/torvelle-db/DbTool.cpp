#include "DbTool.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <ostream>
#include <stdexcept>

#include "BackupCommands.h"
#include "Csv.h"
#include "Json.h"
#include "TextCodec.h"
#include "engine/DbError.h"
#include "engine/ShippedTables.h"
#include "engine/format/TableFile.h"

namespace torvelle::tools {
namespace {

using engine::DbError;
using format::TableFile;

// A failure of the tool itself (bad arguments, unreadable input), as opposed
// to one the engine reports.
class ToolError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class UsageError : public ToolError {
 public:
  using ToolError::ToolError;
};

struct CommandLine {
  std::string command;
  std::vector<std::string> operands;
  std::vector<std::string> passwords;
  std::optional<std::string> newPassword;
  bool removePassword = false;
  bool csv = false;
  bool json = false;
  bool help = false;
};

CommandLine parseArguments(const std::vector<std::string>& args) {
  CommandLine cl;
  bool optionsEnded = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (optionsEnded || arg.size() < 2 || !arg.starts_with("-")) {
      if (cl.command.empty()) {
        cl.command = arg;
      } else {
        cl.operands.push_back(arg);
      }
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    // --name value and --name=value both work for the options with a value.
    std::string name = arg;
    std::optional<std::string> inlineValue;
    if (const auto eq = arg.find('='); eq != std::string::npos) {
      name = arg.substr(0, eq);
      inlineValue = arg.substr(eq + 1);
    }
    const auto takeValue = [&]() -> std::string {
      if (inlineValue) return *inlineValue;
      if (i + 1 >= args.size()) throw UsageError(name + " needs a value");
      return args[++i];
    };
    const auto noValue = [&] {
      if (inlineValue) throw UsageError(name + " takes no value");
    };
    if (name == "--password") {
      cl.passwords.push_back(takeValue());
    } else if (name == "--new") {
      if (cl.newPassword) throw UsageError("--new given twice");
      cl.newPassword = takeValue();
    } else if (name == "--remove") {
      noValue();
      cl.removePassword = true;
    } else if (name == "--csv") {
      noValue();
      cl.csv = true;
    } else if (name == "--json") {
      noValue();
      cl.json = true;
    } else if (name == "--help" || name == "-h") {
      noValue();
      cl.help = true;
    } else {
      throw UsageError("unknown option " + name);
    }
  }
  return cl;
}

void requireOperands(const CommandLine& cl, std::size_t count, const char* what) {
  if (cl.operands.size() != count) {
    throw UsageError(cl.command + " takes " + what);
  }
}

// Options that only some commands understand are refused elsewhere, so that
// a misplaced one is not silently ignored.
void allowOnly(const CommandLine& cl, bool format, bool passwordChange, bool password) {
  if (!format && (cl.csv || cl.json)) throw UsageError(cl.command + " takes no --csv or --json");
  if (!passwordChange && (cl.newPassword || cl.removePassword)) {
    throw UsageError(cl.command + " takes no --new or --remove");
  }
  if (!password && !cl.passwords.empty()) throw UsageError(cl.command + " takes no --password");
}

format::OpenOptions openOptions(const CommandLine& cl, bool writable) {
  format::OpenOptions options;
  options.writable = writable;
  options.passwords = cl.passwords;
  return options;
}

// Output that cannot be written (a full disk, a closed pipe) is a failure,
// not a success with a short file.
void finishOutput(std::ostream& out) {
  out.flush();
  if (!out) throw ToolError("cannot write the output");
}

int commandCreate(const CommandLine& cl, std::ostream& out) {
  allowOnly(cl, false, false, false);
  requireOperands(cl, 1, "one folder");
  engine::createShippedTables(cl.operands[0]);
  finishOutput(out);
  return 0;
}

std::string fieldSize(const format::FieldDef& field) {
  switch (field.type) {
    case format::FieldType::Alpha:
    case format::FieldType::Memo:
    case format::FieldType::Binary:
    case format::FieldType::FormattedMemo:
    case format::FieldType::Ole:
    case format::FieldType::Graphic:
    case format::FieldType::Bytes:
    case format::FieldType::Bcd:
      return std::to_string(field.size);
    default:
      return {};
  }
}

std::string levelText(int level) {
  return std::to_string(level / 10) + (level % 10 != 0 ? "." + std::to_string(level % 10) : "");
}

int commandInfo(const CommandLine& cl, std::ostream& out) {
  allowOnly(cl, false, false, true);
  requireOperands(cl, 1, "one table");
  const auto table = TableFile::open(cl.operands[0], openOptions(cl, false));
  const format::TableInfo& info = table->info();
  out << "Table:          " << cl.operands[0] << '\n'
      << "Format level:   " << levelText(info.level) << '\n'
      << "Code page:      " << info.codePage << '\n'
      << "Block size:     " << info.blockSize << '\n'
      << "Protected:      " << (info.encrypted ? "yes" : "no") << '\n'
      << "Records:        " << table->recordCount() << '\n'
      << "Key fields:     " << info.keyFieldCount << '\n'
      << "Auto-increment: " << info.autoIncrement << '\n'
      << "Fields:\n";
  for (std::size_t i = 0; i < info.fields.size(); ++i) {
    const auto& field = info.fields[i];
    std::string type = std::string(typeLetter(field.type)) + fieldSize(field);
    type.resize(std::max<std::size_t>(type.size(), 5), ' ');
    out << "  " << (i + 1) << "  " << type << ' ' << field.name
        << (static_cast<int>(i) < info.keyFieldCount ? "  (key)" : "") << '\n';
  }
  finishOutput(out);
  return 0;
}

int commandDump(const CommandLine& cl, std::ostream& out) {
  allowOnly(cl, true, false, true);
  requireOperands(cl, 1, "one table");
  if (cl.csv && cl.json) throw UsageError("dump takes --csv or --json, not both");
  const auto table = TableFile::open(cl.operands[0], openOptions(cl, false));
  const auto& fields = table->info().fields;
  const auto records = table->readAll();
  if (cl.json) {
    out << '[';
    for (std::size_t r = 0; r < records.size(); ++r) {
      out << (r == 0 ? "\n  {" : ",\n  {");
      for (std::size_t f = 0; f < fields.size(); ++f) {
        if (f > 0) out << ", ";
        const format::Value null;
        const auto& value = f < records[r].size() ? records[r][f] : null;
        out << jsonString(fields[f].name) << ": " << jsonValue(value);
      }
      out << '}';
    }
    out << (records.empty() ? "]\n" : "\n]\n");
  } else {
    std::vector<std::string> cells;
    for (const auto& field : fields) cells.push_back(field.name);
    out << csvRecord(cells);
    for (const auto& record : records) {
      cells.clear();
      for (std::size_t f = 0; f < fields.size(); ++f) {
        cells.push_back(f < record.size() ? formatValue(record[f]) : std::string());
      }
      out << csvRecord(cells);
    }
  }
  finishOutput(out);
  return 0;
}

// "-" is standard input, so that a dump can be piped into an import.
std::string readWholeFile(const std::string& path) {
  if (path == "-") {
    std::string text((std::istreambuf_iterator<char>(std::cin)), std::istreambuf_iterator<char>());
    if (std::cin.bad()) throw ToolError("cannot read standard input");
    return text;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) throw ToolError("cannot read " + path + ": " + std::strerror(errno));
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) throw ToolError("cannot read " + path + ": " + std::strerror(errno));
  return text;
}

bool sameFieldName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

// Maps each CSV column to its field; columns are matched by name without
// regard to letter case, as the engine matches field names.
std::vector<std::size_t> mapColumns(const std::vector<std::string>& header,
                                    const std::vector<format::FieldDef>& fields) {
  std::vector<std::size_t> fieldOf;
  for (const auto& name : header) {
    std::size_t match = fields.size();
    for (std::size_t f = 0; f < fields.size(); ++f) {
      if (sameFieldName(name, fields[f].name)) match = f;
    }
    if (match == fields.size()) throw ToolError("line 1: the table has no field \"" + name + "\"");
    for (const std::size_t earlier : fieldOf) {
      if (earlier == match) throw ToolError("line 1: field \"" + name + "\" appears twice");
    }
    fieldOf.push_back(match);
  }
  return fieldOf;
}

std::string recordsWord(std::size_t n) {
  return std::to_string(n) + (n == 1 ? " record" : " records");
}

int commandImport(const CommandLine& cl, std::ostream& out) {
  allowOnly(cl, false, false, true);
  requireOperands(cl, 2, "a table and a CSV file");
  const std::string& csvPath = cl.operands[1];
  const std::string text = readWholeFile(csvPath);
  const auto table = TableFile::open(cl.operands[0], openOptions(cl, true));
  const auto& fields = table->info().fields;

  std::size_t imported = 0;
  // Every error names the file and the line; the rows before it stay, each
  // one was durable when its insert returned.
  const auto fail = [&](const std::string& what) {
    return ToolError(csvPath + ": " + what + " (" + recordsWord(imported) + " imported before it)");
  };
  try {
    CsvReader reader(text);
    std::vector<std::string> cells;
    if (!reader.next(cells)) throw ToolError("line 1: no header row");
    const std::vector<std::string> header = cells;
    const auto fieldOf = mapColumns(header, fields);
    while (reader.next(cells)) {
      const std::string where = "line " + std::to_string(reader.recordLine());
      if (cells.size() != header.size()) {
        throw ToolError(where + ": " + std::to_string(cells.size()) + " fields, the header has " +
                        std::to_string(header.size()));
      }
      format::Record record(fields.size());
      for (std::size_t c = 0; c < cells.size(); ++c) {
        const auto& field = fields[fieldOf[c]];
        try {
          record[fieldOf[c]] = parseValue(field, cells[c]);
        } catch (const TextError& e) {
          throw ToolError(where + ", column " + std::to_string(c + 1) + " (" + field.name +
                          "): " + e.what());
        }
      }
      try {
        table->insert(record);
      } catch (const std::exception& e) {
        throw ToolError(where + ": " + e.what());
      }
      ++imported;
    }
  } catch (const ToolError& e) {
    throw fail(e.what());
  } catch (const TextError& e) {
    throw fail(e.what());
  }
  out << "Imported " << recordsWord(imported) << " into " << cl.operands[0] << '\n';
  finishOutput(out);
  return 0;
}

int commandCheck(const CommandLine& cl, std::ostream& out, std::ostream& err) {
  allowOnly(cl, false, false, true);
  requireOperands(cl, 1, "one table");
  const auto problems = TableFile::check(cl.operands[0], openOptions(cl, false));
  if (problems.empty()) {
    out << cl.operands[0] << ": OK\n";
    finishOutput(out);
    return 0;
  }
  for (const auto& problem : problems) err << cl.operands[0] << ": " << problem << '\n';
  err << cl.operands[0] << ": " << problems.size()
      << (problems.size() == 1 ? " problem found\n" : " problems found\n");
  return 1;
}

int commandPack(const CommandLine& cl, std::ostream& out) {
  allowOnly(cl, false, false, true);
  requireOperands(cl, 1, "one table");
  TableFile::pack(cl.operands[0], openOptions(cl, true));
  finishOutput(out);
  return 0;
}

int commandPassword(const CommandLine& cl, std::ostream& out) {
  allowOnly(cl, false, true, true);
  requireOperands(cl, 1, "one table");
  if (cl.newPassword.has_value() == cl.removePassword) {
    throw UsageError("password takes either --new PASSWORD or --remove");
  }
  if (cl.newPassword && cl.newPassword->empty()) {
    throw UsageError("the new password is empty; --remove takes a password away");
  }
  TableFile::setPassword(cl.operands[0], openOptions(cl, true), cl.newPassword.value_or(""));
  finishOutput(out);
  return 0;
}

int dispatch(const CommandLine& cl, std::ostream& out, std::ostream& err) {
  if (cl.command == "create") return commandCreate(cl, out);
  if (cl.command == "info") return commandInfo(cl, out);
  if (cl.command == "dump") return commandDump(cl, out);
  if (cl.command == "import") return commandImport(cl, out);
  if (cl.command == "check") return commandCheck(cl, out, err);
  if (cl.command == "pack") return commandPack(cl, out);
  if (cl.command == "password") return commandPassword(cl, out);
  if (cl.command == "backup" || cl.command == "restore") {
    allowOnly(cl, false, false, true);
    requireOperands(cl, cl.command == "backup" ? 1 : 2,
                    cl.command == "backup" ? "one folder" : "an archive and a folder");
    return cl.command == "backup" ? commandBackup(cl.operands, cl.passwords, out)
                                  : commandRestore(cl.operands, cl.passwords, out, err);
  }
  throw UsageError("unknown command \"" + cl.command + "\"");
}

}  // namespace

std::string dbToolUsage() {
  return R"(Usage: torvelle-db COMMAND [ARGUMENTS] [OPTIONS]

Commands:
  create DIR                 create the seven empty organizer tables under DIR/DB
                             (tables that exist already are left alone)
  info TABLE                 show the fields, key and header facts of a table
  dump TABLE [--csv|--json]  write every record to standard output (CSV by default)
  import TABLE FILE.csv      add the rows of FILE.csv (- for standard input), one
                             durable record each; the first row that fails stops
                             the import, the rows before it stay
  check TABLE                check header, blocks, record count, key order,
                             primary index and blob references; exit 1 on problems
  pack TABLE                 rebuild the table without the space of deleted records
  password TABLE --new P     set or change the master password
  password TABLE --remove    remove the master password
  backup DIR                 snapshot the seven tables under DIR/DB into a new
                             archive in DIR/Backups (sealed with the master
                             password when the tables have one); prints its name
  restore ARCHIVE DIR        replace the tables under DIR/DB by those of ARCHIVE,
                             keeping the current ones as one more backup first;
                             --password may be given for the archive and the tables

Options:
  --password P   password of a protected table (may be given more than once)
  --help         show this text

CSV is UTF-8 with a header row of field names (matched without regard to
letter case; missing fields stay empty). Fields holding commas, quotes or line
breaks are quoted, quotes inside doubled. An empty cell is null. Values:
  date       YYYY-MM-DD
  time       HH:MM:SS or HH:MM:SS.mmm
  timestamp  YYYY-MM-DDTHH:MM:SS or YYYY-MM-DDTHH:MM:SS.mmm
  logical    true or false
  numbers    with a dot: 12.5, -3, 1e-7
  bytes and binary, OLE, graphic, formatted memo blobs: hex, two digits a byte
JSON output is an array of objects, field name to value, in the same forms.

Exit status: 0 on success, 1 on any error or when check finds a problem.
)";
}

int runDbTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  std::string table;
  bool passwordGiven = false;
  try {
    const CommandLine cl = parseArguments(args);
    if (cl.help) {
      out << dbToolUsage();
      finishOutput(out);
      return 0;
    }
    if (cl.command.empty()) {
      err << dbToolUsage();
      return 1;
    }
    if (!cl.operands.empty()) table = cl.operands[0];
    passwordGiven = !cl.passwords.empty();
    return dispatch(cl, out, err);
  } catch (const UsageError& e) {
    err << "torvelle-db: " << e.what() << "\nTry 'torvelle-db --help'.\n";
  } catch (const DbError& e) {
    err << "torvelle-db: " << table << ": " << e.what();
    if (e.kind() == DbError::Kind::PasswordNeeded && !passwordGiven) {
      err << " (give it with --password)";
    }
    err << '\n';
  } catch (const std::exception& e) {
    // Tool errors, file-system errors and anything else unexpected: still a
    // message and a failing status, never a crash.
    err << "torvelle-db: " << e.what() << '\n';
  }
  return 1;
}

}  // namespace torvelle::tools
