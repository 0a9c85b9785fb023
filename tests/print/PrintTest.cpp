// The printed sheets as a reader sees them: PDF files made here and by the
// command-line tool, turned back into text with pdftotext.
#include <QPdfWriter>
#include <QProcess>
#include <QtTest>

#include "common/TempDir.h"
#include "engine/FieldText.h"
#include "engine/ShippedTables.h"
#include "engine/format/TableFile.h"
#include "print/Pagination.h"
#include "print/PdfFile.h"
#include "print/SheetPrinter.h"

using namespace torvelle;
using print::PageSpan;

namespace {

// The text of each page of a PDF file, as pdftotext lays it out.
QStringList pdfPages(const QString& path) {
  QProcess process;
  process.start(QStringLiteral("pdftotext"),
                {QStringLiteral("-layout"), path, QStringLiteral("-")});
  if (!process.waitForFinished(30000) || process.exitCode() != 0) return {};
  QStringList pages = QString::fromUtf8(process.readAllStandardOutput()).split(QLatin1Char('\f'));
  if (!pages.isEmpty() && pages.last().trimmed().isEmpty()) pages.removeLast();
  return pages;
}

void insertInto(const std::filesystem::path& path, const std::vector<format::Record>& records) {
  format::OpenOptions options;
  options.writable = true;
  options.sync = false;
  auto file = format::TableFile::open(path, options);
  for (const auto& r : records) file->insert(r);
}

int runTool(const QStringList& args, QString* errors = nullptr) {
  QProcess process;
  process.start(QStringLiteral(TORVELLE_DB_TOOL), args);
  process.waitForFinished(60000);
  if (errors) *errors = QString::fromUtf8(process.readAllStandardError());
  return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

}  // namespace

class PrintTest : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() {
    QVERIFY2(!QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty(),
             "pdftotext (poppler-utils) is needed");
  }
  void pagesKeepHeadingsWithTheirRowsAndBreakingAlwaysEnds();
  void longListsBreakWithTitlesOnEveryPageInAnyScript();
  void toolWritesTheMonthAndWeekAndRefusesBadInputWithoutAFile();
};

void PrintTest::pagesKeepHeadingsWithTheirRowsAndBreakingAlwaysEnds() {
  using Pages = std::vector<PageSpan>;
  // Three rows fit; the heading that would end the first page goes over.
  QCOMPARE(print::paginate({{30}, {30}, {30, true}, {30}}, 100), (Pages{{0, 2}, {2, 4}}));
  // A row taller than a page gets a page of its own.
  QCOMPARE(print::paginate({{30}, {150}, {30}}, 100), (Pages{{0, 1}, {1, 2}, {2, 3}}));
  // Headings only, each a page high: still one page each, never stuck.
  QCOMPARE(print::paginate({{60, true}, {60, true}}, 100), (Pages{{0, 1}, {1, 2}}));
  // A heading last on the list stays where it is.
  QCOMPARE(print::paginate({{30}, {30, true}}, 100), (Pages{{0, 2}}));
  QCOMPARE(print::paginate({}, 100), (Pages{{0, 0}}));
}

void PrintTest::longListsBreakWithTitlesOnEveryPageInAnyScript() {
  testing::TempDir dir;
  std::vector<books::ListRow> rows;
  rows.reserve(151);
  for (int i = 0; i < 150; ++i)
    rows.push_back(
        {"Друзья", {"Иванов Пётр " + std::to_string(i), "+7 495 000-00-00", "", "", ""}});
  rows.push_back({"Друзья", {"Zoë Ångström-Çelik", "", "", "", "zoe@example.org"}});
  const QString path = QString::fromStdString((dir.path() / "phones.pdf").string());
  const print::TCalendarTexts texts;
  print::writePdfFile(path, [&](QPagedPaintDevice& device) {
    print::TSheetPrinter(device, texts).printPhones(rows, QString());
  });
  const QStringList pages = pdfPages(path);
  QVERIFY2(pages.size() >= 3, qPrintable(QString::number(pages.size())));
  for (int p = 0; p < pages.size(); ++p) {
    QVERIFY2(pages[p].contains(QStringLiteral("Home phone")), qPrintable(pages[p].left(300)));
    QVERIFY(pages[p].contains(QStringLiteral("Page %1 of %2").arg(p + 1).arg(pages.size())));
  }
  const QString all = pages.join(QString());
  // Every row once, none lost at a page break; the section heading once.
  for (int i = 0; i < 150; ++i)
    QCOMPARE(all.count(QStringLiteral("Иванов Пётр %1 ").arg(i)) +
                 all.count(QStringLiteral("Иванов Пётр %1\n").arg(i)),
             1);
  QVERIFY(all.contains(QStringLiteral("Zoë Ångström-Çelik")));
  QCOMPARE(all.count(QStringLiteral("Друзья")), 1);
}

void PrintTest::toolWritesTheMonthAndWeekAndRefusesBadInputWithoutAFile() {
  testing::TempDir dir;
  engine::createShippedTables(dir.path());
  const auto task = [](QDate d, QTime t, const char* text, bool done) {
    format::Record r(5);
    r[0] = *engine::dayFromCivil(d.year(), d.month(), d.day());
    r[1] = format::Time{t.msecsSinceStartOfDay()};
    r[2] = std::string(text);
    r[3] = done;
    return r;
  };
  insertInto(dir.path() / "DB/Tasks/Tasks.db",
             {task(QDate(2026, 12, 8), QTime(9, 30), "Встреча с Ольгой", false),
              task(QDate(2026, 12, 9), QTime(18, 0), "Кафе Мюллер", true),
              task(QDate(2027, 1, 4), QTime(8, 0), "Next year", false), [&] {
                // Mondays from November but the 14th, the 7th done.
                format::Record r = task(QDate(2026, 11, 2), QTime(7, 0), "Планёрка", false);
                r.resize(8);
                r[6] = std::string("FREQ=WEEKLY");
                r[7] = std::string("EXDATE:20261214\nDONE:20261207");
                return r;
              }()});
  format::Record event(5);
  event[0] = std::string("Семья");
  event[1] = *engine::dayFromCivil(1980, 12, 10);
  event[3] = std::string("Юбилей мамы");
  insertInto(dir.path() / "DB/Dates/Dates.db", {event});

  const QString folder = QString::fromStdString(dir.path().string());
  const QString month = QString::fromStdString((dir.path() / "month.pdf").string());
  QCOMPARE(runTool({"pdf", folder, month, "--month", "2026-12-15"}), 0);
  QStringList pages = pdfPages(month);
  QCOMPARE(pages.size(), 1);
  QVERIFY(pages[0].contains(QStringLiteral("December 2026")));
  QVERIFY(pages[0].contains(QStringLiteral("09:30 Встреча с Ольгой")));
  QVERIFY(pages[0].contains(QStringLiteral("Кафе Мюллер")));
  QVERIFY(pages[0].contains(QStringLiteral("Юбилей мамы (46)")));
  QCOMPARE(pages[0].count(QStringLiteral("07:00 ↻ Планёрка")), 4);  // Nov 30 to Dec 28
  // The grid runs to Sunday 3 January; the 4th belongs to the next sheet.
  QVERIFY(!pages[0].contains(QStringLiteral("Next year")));

  const QString week = QString::fromStdString((dir.path() / "week.pdf").string());
  QCOMPARE(runTool({"pdf", folder, week, "--week", "10.12.2026"}), 0);
  pages = pdfPages(week);
  QCOMPARE(pages.size(), 1);
  QVERIFY(pages[0].contains(QStringLiteral("Week 07.12.2026 to 13.12.2026")));
  QVERIFY(pages[0].contains(QStringLiteral("Семья, 46 years")));
  QVERIFY(pages[0].indexOf(QStringLiteral("Tuesday")) < pages[0].indexOf(QStringLiteral("Ольгой")));

  const QString bad = QString::fromStdString((dir.path() / "bad.pdf").string());
  QString errors;
  QCOMPARE(runTool({"pdf", folder, bad, "--day", "31.02.2026"}, &errors), 1);
  QVERIFY(errors.contains(QStringLiteral("not a date")));
  QCOMPARE(runTool({"pdf", folder + "/missing", bad, "--dates"}, &errors), 1);
  QVERIFY(!errors.isEmpty());
  QVERIFY(!QFile::exists(bad));
}

QTEST_MAIN(PrintTest)
#include "PrintTest.moc"
