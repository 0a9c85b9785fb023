#include "PdfCommand.h"

#include <QGuiApplication>
#include <QString>
#include <charconv>
#include <memory>
#include <optional>
#include <stdexcept>

#include "books/BookLists.h"
#include "books/CalendarRules.h"
#include "engine/DbError.h"
#include "engine/FieldText.h"
#include "print/CalendarTexts.h"
#include "print/PdfFile.h"
#include "print/SheetPrinter.h"

namespace torvelle::tools {
namespace {

enum class PdfSheet { None, Day, Week, Month, Phones, Dates };

struct PdfRequest {
  std::vector<std::string> operands;
  std::vector<std::string> passwords;
  PdfSheet sheet = PdfSheet::None;
  std::string date;
  std::optional<std::string> section;
};

std::optional<int> number(std::string_view text) {
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

// YYYY-MM-DD, or D.M.YYYY (day first, as the import reads dots).
format::Date parseDay(const std::string& text) {
  const char sep = text.find('-') != std::string::npos ? '-' : '.';
  std::vector<std::string_view> parts;
  std::string_view rest(text);
  for (std::size_t at; (at = rest.find(sep)) != std::string_view::npos; rest.remove_prefix(at + 1))
    parts.push_back(rest.substr(0, at));
  parts.push_back(rest);
  if (parts.size() == 3) {
    const auto a = number(parts[0]), b = number(parts[1]), c = number(parts[2]);
    if (a && b && c) {
      const auto day =
          sep == '-' ? engine::dayFromCivil(*a, *b, *c) : engine::dayFromCivil(*c, *b, *a);
      if (day) return *day;
    }
  }
  throw std::invalid_argument("not a date: \"" + text + "\" (YYYY-MM-DD or D.M.YYYY)");
}

void setSheet(PdfRequest& r, PdfSheet sheet) {
  if (r.sheet != PdfSheet::None) throw std::invalid_argument("pdf makes one sheet at a time");
  r.sheet = sheet;
}

// The sheet of an option that takes a date, if `arg` is one.
std::optional<PdfSheet> datedSheet(const std::string& arg) {
  if (arg == "--day") return PdfSheet::Day;
  if (arg == "--week") return PdfSheet::Week;
  if (arg == "--month") return PdfSheet::Month;
  return std::nullopt;
}

// The word after option `i`, which it needs as its `what`.
const std::string& valueOf(const std::vector<std::string>& args, std::size_t& i, const char* what) {
  if (i + 1 >= args.size()) throw std::invalid_argument(args[i] + " needs " + what);
  return args[++i];
}

PdfRequest parsePdfArguments(const std::vector<std::string>& args) {
  PdfRequest r;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const bool hasNext = i + 1 < args.size();
    if (const auto sheet = datedSheet(arg)) {
      setSheet(r, *sheet);
      r.date = valueOf(args, i, "a date");
    } else if (arg == "--phones") {
      setSheet(r, PdfSheet::Phones);
      // The section is optional: a next word that is no option names it.
      if (hasNext && !args[i + 1].starts_with("--") && r.operands.size() >= 2)
        r.section = args[++i];
    } else if (arg == "--dates") {
      setSheet(r, PdfSheet::Dates);
    } else if (arg == "--password") {
      r.passwords.push_back(valueOf(args, i, "a value"));
    } else if (arg.starts_with("--")) {
      throw std::invalid_argument("pdf: unknown option " + arg);
    } else {
      r.operands.push_back(arg);
    }
  }
  if (r.operands.size() != 2) throw std::invalid_argument("pdf takes a folder and a PDF file");
  if (r.sheet == PdfSheet::None)
    throw std::invalid_argument("pdf needs --day, --week, --month, --phones or --dates");
  return r;
}

// Fonts and painting need a GUI application; a command line has no display.
std::unique_ptr<QGuiApplication> guiApplication() {
  if (QGuiApplication::instance()) return nullptr;
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
  static int argc = 1;
  static char name[] = "torvelle-db";
  static char* argv[] = {name, nullptr};
  return std::make_unique<QGuiApplication>(argc, argv);
}

void render(const PdfRequest& r, QPagedPaintDevice& device) {
  const std::filesystem::path db = std::filesystem::path(r.operands[0]) / "DB";
  format::OpenOptions options;
  options.passwords = r.passwords;
  const print::TCalendarTexts texts;
  print::TSheetPrinter printer(device, texts);
  switch (r.sheet) {
    case PdfSheet::Phones:
      printer.printPhones(books::readPhoneRows(db / "Phones" / "Phones.db", options, r.section),
                          QString::fromStdString(r.section.value_or(std::string())));
      return;
    case PdfSheet::Dates:
      printer.printDates(books::readDateRows(db / "Dates" / "Dates.db", options));
      return;
    default:
      break;
  }
  const format::Date day = parseDay(r.date);
  const books::CalendarData data =
      books::readCalendarData(db / "Tasks" / "Tasks.db", db / "Dates" / "Dates.db", options);
  if (r.sheet == PdfSheet::Day) printer.printDay(data, day);
  if (r.sheet == PdfSheet::Week) printer.printWeek(data, day);
  if (r.sheet == PdfSheet::Month) printer.printMonth(data, day);
}

}  // namespace

int runPdfCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  try {
    const PdfRequest request = parsePdfArguments(args);
    const auto app = guiApplication();
    // Read the tables before the file is made: a bad date or a missing table
    // leaves no half-written PDF behind.
    if (request.sheet == PdfSheet::Day || request.sheet == PdfSheet::Week ||
        request.sheet == PdfSheet::Month)
      parseDay(request.date);
    print::writePdfFile(QString::fromStdString(request.operands[1]),
                        [&](QPagedPaintDevice& device) { render(request, device); });
    out << request.operands[1] << '\n';
    return 0;
  } catch (const std::exception& e) {
    err << "torvelle-db: " << e.what() << '\n';
    return 1;
  }
}

}  // namespace torvelle::tools
