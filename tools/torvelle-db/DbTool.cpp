#include "DbTool.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <optional>
#include <ostream>
#include <stdexcept>

#include "BackupCommands.h"
#include "CodePageCommands.h"
#include "Json.h"
#include "engine/DbError.h"
#include "engine/ShippedTables.h"
#include "engine/format/FieldTypes.h"
#include "engine/format/TableFile.h"
#include "exchange/Books.h"
#include "exchange/CsvTable.h"
#include "exchange/Exchange.h"
#include "exchange/TextCodec.h"
#include "exchange/TextInput.h"
#include "support/AtomicFile.h"
#include "support/CodePage.h"
#include "support/IoError.h"
#include "support/LocaleCodePage.h"

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
  // import and export
  std::string format;
  std::optional<std::string> section;
  bool skipExisting = false;
  bool skipRefused = false;
  bool dryRun = false;
  bool birthdays = false;
  bool yearly = false;
  bool vcard4 = false;
  bool foldAccents = false;
  // create and recode: the code page to write; dump, export and recode: the
  // one a table's text is really in
  std::optional<int> codePage;
  int readAs = 0;
};

// Options that stand alone, and the flag each sets; nullptr for others.
bool CommandLine::*flagOf(const std::string& name) {
  static const std::map<std::string, bool CommandLine::*> flags = {
      {"--remove", &CommandLine::removePassword},
      {"--csv", &CommandLine::csv},
      {"--json", &CommandLine::json},
      {"--dry-run", &CommandLine::dryRun},
      {"--skip-existing", &CommandLine::skipExisting},
      {"--skip-refused", &CommandLine::skipRefused},
      {"--birthdays", &CommandLine::birthdays},
      {"--yearly", &CommandLine::yearly},
      {"--vcard4", &CommandLine::vcard4},
      {"--fold-accents", &CommandLine::foldAccents},
      {"--help", &CommandLine::help},
      {"-h", &CommandLine::help},
  };
  const auto it = flags.find(name);
  return it == flags.end() ? nullptr : it->second;
}

bool takesValue(const std::string& name) {
  return name == "--password" || name == "--new" || name == "--format" || name == "--section" ||
         name == "--code-page" || name == "--read-as";
}

int codePageArgument(const std::string& name, const std::string& value) {
  int page = 0;
  const auto* end = value.data() + value.size();
  const auto [stop, ec] = std::from_chars(value.data(), end, page);
  if (ec != std::errc{} || stop != end || !support::codePageSupported(page))
    throw UsageError(name + ": \"" + value + "\" is not a code page we convert");
  return page;
}

void setValueOption(CommandLine& cl, const std::string& name, std::string value) {
  if (name == "--password") {
    cl.passwords.push_back(std::move(value));
  } else if (name == "--new") {
    if (cl.newPassword) throw UsageError("--new given twice");
    cl.newPassword = std::move(value);
  } else if (name == "--format") {
    cl.format = std::move(value);
  } else if (name == "--code-page") {
    cl.codePage = codePageArgument(name, value);
  } else if (name == "--read-as") {
    cl.readAs = codePageArgument(name, value);
  } else {
    if (value.empty()) throw UsageError("--section needs a name");
    cl.section = std::move(value);
  }
}

CommandLine parseArguments(const std::vector<std::string>& args) {
  CommandLine cl;
  bool optionsEnded = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (optionsEnded || arg.size() < 2 || !arg.starts_with("-")) {
      (cl.command.empty() ? cl.command : cl.operands.emplace_back()) = arg;
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
    if (const auto flag = flagOf(name)) {
      if (inlineValue) throw UsageError(name + " takes no value");
      cl.*flag = true;
    } else if (!takesValue(name)) {
      throw UsageError("unknown option " + name);
    } else if (inlineValue) {
      setValueOption(cl, name, *inlineValue);
    } else if (i + 1 < args.size()) {
      setValueOption(cl, name, args[++i]);
    } else {
      throw UsageError(name + " needs a value");
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
  const bool exchange = cl.command == "import" || cl.command == "export";
  if (!exchange && (!cl.format.empty() || cl.section)) {
    throw UsageError(cl.command + " takes no --format or --section");
  }
  if (cl.command != "import" && (cl.skipExisting || cl.skipRefused || cl.birthdays || cl.dryRun)) {
    throw UsageError("--skip-existing, --skip-refused, --birthdays and --dry-run belong to import");
  }
  if (cl.command != "export" && (cl.yearly || cl.vcard4)) {
    throw UsageError("--yearly and --vcard4 belong to export");
  }
  if (cl.command != "import" && cl.foldAccents)
    throw UsageError("--fold-accents belongs to import");
  if (cl.command != "create" && cl.command != "recode" && cl.codePage)
    throw UsageError("--code-page belongs to create and recode");
  if (cl.readAs != 0 && cl.command != "dump" && cl.command != "export" && cl.command != "recode")
    throw UsageError("--read-as belongs to dump, export and recode");
}

format::OpenOptions openOptions(const CommandLine& cl, bool writable) {
  format::OpenOptions options;
  options.writable = writable;
  options.passwords = cl.passwords;
  options.readAs = writable ? 0 : cl.readAs;
  return options;
}

// Output that cannot be written (a full disk, a closed pipe) is a failure,
// not a success with a short file.
void finishOutput(std::ostream& out) {
  out.flush();
  if (!out) throw ToolError("cannot write the output");
}

bool isTableCodePage(int codePage) {
  for (const int page : {1250, 1251, 1252, 1253, 1254, 1257})
    if (page == codePage) return true;
  return false;
}

// "ANSIINTL (0x62)"; the byte alone where the header names none.
std::string sortOrderText(const format::TableInfo& info) {
  static const char* const kHex = "0123456789ABCDEF";
  std::string byte = "0x";
  byte += kHex[(info.sortOrder >> 4) & 0xF];
  byte += kHex[info.sortOrder & 0xF];
  return info.sortName.empty() ? byte : info.sortName + " (" + byte + ")";
}

int commandCreate(const CommandLine& cl, std::ostream& out) {
  allowOnly(cl, false, false, false);
  requireOperands(cl, 1, "one folder");
  // Without --code-page the tables take the code page of the user's language.
  const int codePage =
      cl.codePage.value_or(support::codePageForLocale(support::environmentLocale()));
  if (!support::codePageSupported(codePage) || !isTableCodePage(codePage))
    throw UsageError("code page " + std::to_string(codePage) +
                     " is none that new tables are made in (1250, 1251, 1252, 1253, 1254, 1257)");
  engine::createShippedTables(cl.operands[0], codePage);
  upgradeFolder(cl.operands[0], {}, out);
  finishOutput(out);
  return 0;
}

std::string fieldSize(const format::FieldDef& field) {
  const format::FieldTypeTraits* t = format::findFieldType(field.type);
  return t && t->sizeChosen() ? std::to_string(field.size) : std::string();
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
      << "Sort order:     " << sortOrderText(info) << '\n'
      << "Block size:     " << info.blockSize << '\n'
      << "Protected:      " << (info.encrypted ? "yes" : "no") << '\n'
      << "Records:        " << table->recordCount() << '\n'
      << "Key fields:     " << info.keyFieldCount << '\n'
      << "Auto-increment: " << info.autoIncrement << '\n'
      << "Fields:\n";
  for (std::size_t i = 0; i < info.fields.size(); ++i) {
    const auto& field = info.fields[i];
    std::string type = std::string(exchange::typeLetter(field.type)) + fieldSize(field);
    type.resize(std::max<std::size_t>(type.size(), 5), ' ');
    out << "  " << (i + 1) << "  " << type << ' ' << field.name
        << (static_cast<int>(i) < info.keyFieldCount ? "  (key)" : "") << '\n';
  }
  finishOutput(out);
  return 0;
}

void writeJson(std::ostream& out, const std::vector<format::FieldDef>& fields,
               const std::vector<format::Record>& records) {
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
}

int commandDump(const CommandLine& cl, std::ostream& out) {
  allowOnly(cl, true, false, true);
  requireOperands(cl, 1, "one table");
  if (cl.csv && cl.json) throw UsageError("dump takes --csv or --json, not both");
  const auto table = TableFile::open(cl.operands[0], openOptions(cl, false));
  if (cl.json) {
    writeJson(out, table->info().fields, table->readAll());
  } else {
    out << exchange::csvText(table->info().fields, table->readAll());
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
  try {
    if (std::optional<std::string> text = support::readWholeFile(path)) return std::move(*text);
  } catch (const support::IoError& e) {
    throw ToolError("cannot read " + path + ": " + e.code().message());
  }
  throw ToolError("cannot read " + path + ": " + std::strerror(ENOENT));
}

std::string recordsWord(std::size_t n) {
  return std::to_string(n) + (n == 1 ? " record" : " records");
}

void printSummary(std::ostream& out, const std::string& table,
                  const exchange::ImportSummary& summary, bool trial) {
  for (const auto& note : summary.notes) out << "Note: " << note << '\n';
  out << (trial ? "Would add " : "Added ") << recordsWord(summary.added) << " to " << table;
  if (summary.skipped > 0) out << ", skipped " << summary.skipped << " already there";
  if (summary.sectionsAdded > 0) {
    out << ", " << summary.sectionsAdded
        << (summary.sectionsAdded == 1 ? " new section" : " new sections");
  }
  out << '\n';
  if (summary.birthdaysAdded > 0) {
    out << "Added " << summary.birthdaysAdded << " birthdays to the dates book\n";
  }
  if (!summary.refused.empty()) {
    out << "Refused " << recordsWord(summary.refused.size()) << ":\n";
    for (const auto& line : summary.refused) out << "  " << line << '\n';
  }
  if (!summary.folded.empty()) {
    out << (trial ? "Would store " : "Stored ") << recordsWord(summary.folded.size())
        << " with letters without their accents:\n";
    for (const auto& line : summary.folded) out << "  " << line << '\n';
  }
  if (!summary.notStored.empty()) {
    out << "Not stored:\n";
    for (const auto& [what, n] : summary.notStored) out << "  " << what << ": " << n << '\n';
  }
}

exchange::FileFormat fileFormat(const CommandLine& cl, const std::string& file) {
  // Standard input has no name to go by; our own dumps are CSV.
  if (file == "-" && cl.format.empty()) return exchange::FileFormat::Csv;
  return exchange::formatOf(file, cl.format);
}

int commandImport(const CommandLine& cl, std::ostream& out) {
  allowOnly(cl, false, false, true);
  requireOperands(cl, 2, "a table and a file");
  const std::string& file = cl.operands[1];
  const auto format = fileFormat(cl, file);
  if (cl.birthdays && format != exchange::FileFormat::VCard) {
    throw UsageError("--birthdays belongs to a vCard import");
  }
  const std::string text = readWholeFile(file);
  // Records going into an older organizer folder get its new fields first.
  if (const auto root = organizerFolderOf(cl.operands[0]); !root.empty() && !cl.dryRun)
    upgradeFolder(root, cl.passwords, out);
  exchange::ImportRequest request;
  request.table = cl.operands[0];
  request.passwords = cl.passwords;
  request.section = cl.section.value_or("");
  request.birthdays = cl.birthdays;
  request.options.skipExisting = cl.skipExisting;
  request.options.skipRefused = cl.skipRefused;
  request.options.dryRun = cl.dryRun;
  request.options.foldAccents = cl.foldAccents;
  exchange::ImportSummary summary;
  try {
    summary = exchange::importFile(format, text, request);
  } catch (const exchange::RecordsRefused& e) {
    throw ToolError(file + ": " + e.what());
  } catch (const exchange::ExchangeError& e) {
    throw ToolError(file + ": " + e.what() + " (nothing was imported)");
  } catch (const exchange::TextError& e) {
    throw ToolError(file + ": " + e.what() + " (nothing was imported)");
  }
  printSummary(out, cl.operands[0], summary, cl.dryRun);
  if (cl.dryRun) out << "Nothing was written (--dry-run).\n";
  finishOutput(out);
  return 0;
}

int commandExport(const CommandLine& cl, std::ostream& out) {
  allowOnly(cl, false, false, true);
  requireOperands(cl, 2, "a table and a file");
  const std::string& file = cl.operands[1];
  const auto format = fileFormat(cl, file);
  exchange::ExportRequest request;
  request.table = cl.operands[0];
  request.passwords = cl.passwords;
  request.section = cl.section.value_or("");
  request.version = cl.vcard4 ? exchange::VCardVersion::V40 : exchange::VCardVersion::V30;
  request.yearly = cl.yearly;
  request.readAs = cl.readAs;
  // Our own CSV is a dump: every field, so that an import gives the table back.
  request.allFields = true;
  exchange::ExportResult result;
  try {
    result = exchange::exportFile(format, request);
  } catch (const exchange::ExchangeError& e) {
    throw ToolError(file + ": " + e.what());
  }
  if (file == "-") {
    out << result.text;
  } else {
    // Written aside and renamed, so that a failure never leaves half a file.
    support::writeFileAtomically(file, result.text);
    out << "Exported " << recordsWord(result.records) << " to " << file << '\n';
  }
  finishOutput(out);
  return 0;
}

int commandCheck(const CommandLine& cl, std::ostream& out, std::ostream& err) {
  allowOnly(cl, false, false, true);
  requireOperands(cl, 1, "one table");
  const auto problems = TableFile::check(cl.operands[0], openOptions(cl, false));
  if (problems.empty()) {
    const auto info = TableFile::open(cl.operands[0], openOptions(cl, false))->info();
    out << cl.operands[0] << ": code page " << info.codePage << ", sort order "
        << sortOrderText(info) << '\n';
    out << cl.operands[0] << ": " << TableFile::keyOrderNote(cl.operands[0], openOptions(cl, false))
        << '\n';
    // Only a hint: the table is sound, its header may just name the wrong code page.
    if (const auto hint = scriptHint(*TableFile::open(cl.operands[0], openOptions(cl, false)));
        !hint.empty())
      out << cl.operands[0] << ": " << hint << '\n';
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

int commandRecodeLine(const CommandLine& cl, std::ostream& out, std::ostream& err) {
  allowOnly(cl, false, false, true);
  requireOperands(cl, 1, "a data folder or one table");
  if (!cl.codePage) throw UsageError("recode needs --code-page N");
  const int status =
      commandRecode({cl.operands[0], *cl.codePage, cl.readAs, cl.passwords}, out, err);
  finishOutput(out);
  return status;
}

int dispatch(const CommandLine& cl, std::ostream& out, std::ostream& err) {
  if (cl.command == "create") return commandCreate(cl, out);
  if (cl.command == "info") return commandInfo(cl, out);
  if (cl.command == "dump") return commandDump(cl, out);
  if (cl.command == "import") return commandImport(cl, out);
  if (cl.command == "export") return commandExport(cl, out);
  if (cl.command == "check") return commandCheck(cl, out, err);
  if (cl.command == "pack") return commandPack(cl, out);
  if (cl.command == "password") return commandPassword(cl, out);
  if (cl.command == "recode") return commandRecodeLine(cl, out, err);
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
                             (tables that exist already are left alone), their
                             text in the code page of the user's language (from
                             LC_ALL, LC_CTYPE or LANG) unless --code-page says
  info TABLE                 show the fields, key, code page, sort order and header
                             facts of a table
  dump TABLE [--csv|--json]  write every record to standard output (CSV by default)
  import TABLE FILE          add the records of FILE (- for standard input, CSV),
                             all as one change: a row that fails stops the import
                             with its line and reason and nothing is written
  export TABLE FILE          write the records of TABLE to FILE (- for standard
                             output)
  check TABLE                check header, blocks, record count, key order,
                             primary index and blob references; exit 1 on problems;
                             a sound table's code page and sort order are named, with
                             a hint when its text reads as words of another script
                             than that code page's (a header naming the wrong one)
  pack TABLE                 rebuild the table without the space of deleted records
  password TABLE --new P     set or change the master password
  password TABLE --remove    remove the master password
  recode DIR --code-page N   rewrite the tables under DIR/DB in code page N, after a
                             backup into DIR/Backups; a text N cannot hold is listed
                             (table, record, field, characters) and nothing changes
  recode TABLE --code-page N the same for one table of any program; its files are
                             copied beside it first (TABLE.cpNNNN)
  backup DIR                 snapshot the seven tables under DIR/DB into a new
                             archive in DIR/Backups (sealed with the master
                             password when the tables have one); prints its name
  restore ARCHIVE DIR        replace the tables under DIR/DB by those of ARCHIVE,
                             keeping the current ones as one more backup first;
                             a missing DIR is made, readable by its owner only;
                             --password may be given for the archive and the tables
  pdf DIR OUT.pdf --day|--week|--month DATE
  pdf DIR OUT.pdf --phones [SECTION]
  pdf DIR OUT.pdf --dates    print the day's tasks, a week, a month sheet, the phone
                             book (one section or all) or the important dates of
                             the tables under DIR/DB to a PDF file; DATE is
                             YYYY-MM-DD or D.M.YYYY

Options:
  --password P      password of a protected table (may be given more than once)
  --format F        vcf, ics or csv; by default the file name's extension tells
  --section S       import: every record into section S; export: only section S
  --code-page N     create: 1251 (Cyrillic and English, as designed), 1252
                    (Western European), 1250 (Central European), 1253 (Greek),
                    1254 (Turkish) or 1257 (Baltic); recode: any of these, or
                    437, 850, 866 and the other DOS code pages
  --skip-existing   import: leave out records whose key is in the table already
  --skip-refused    import: leave out records the table cannot hold, take the rest
  --dry-run         import: show what an import would add, skip and refuse;
                    write nothing
  --birthdays       import of contacts: birthdays also into DB/Dates/Dates.db
  --vcard4          export of contacts: vCard 4.0 (3.0 by default)
  --yearly          export of dates: every event repeats yearly
  --fold-accents    import: a letter the code page lacks is stored without its
                    accents when the code page holds the plain letter (ü as u,
                    ß as ss); each such record is listed
  --read-as N       dump, export, recode: read the table's text in code page N,
                    not the one its header names (old programs often wrote
                    Cyrillic text into tables marked 1252 or 437)
  --help            show this text

Formats: vCard (.vcf) in and out of the phone book (Phones.db), iCalendar (.ics)
in and out of the task table (to-dos) and the dates table (events), CSV (.csv)
for every table. Sections that records name and the sections table lacks are
created. Records that hold a character the table's code page has no place for
(code page 1251: no "ü") are refused, each listed; without --skip-refused none
of the file is imported. --fold-accents stores such letters without their
accents where the code page has the plain letter. The summary counts what was added, skipped and refused
and what the file held that the table has no field for.

CSV is UTF-8 with a header row of field names (matched without regard to
letter case; missing fields stay empty). A phone book also takes the column
names of common address-book exports ("Display Name", "First Name", "Last
Name", "Mobile Phone", "E-mail Address", "Home City", "Categories", ...);
columns without a field are then left out and counted. Fields holding commas, quotes or line
breaks are quoted, quotes inside doubled. An empty cell is null. Values:
  date       YYYY-MM-DD
  time       HH:MM:SS or HH:MM:SS.mmm
  timestamp  YYYY-MM-DDTHH:MM:SS or YYYY-MM-DDTHH:MM:SS.mmm
  logical    true or false
  numbers    with a dot: 12.5, -3, 1e-7
On import, also times as 8:00, 8:00:00 or 08:00:00.000 and dates as 2026-02-01 or 1.2.2026
(dots: day first). Dates with slashes are refused: 1/2/2026 is January in one
country and February in another.
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
