// What each section book does of its own: the phone book's address
// double-clicks, the dates' two-part filter and new record, the links'
// double-click; addresses reach the desktop only as safe URLs.
#include <QtTest>

#include "SectionFixture.h"
#include "books/SectionRules.h"
#include "toolkit/ErrorBox.h"

using namespace torvelle;
using books::HandOverKind;
using testing::BookKind;
using testing::SectionBookPage;

class BookActionsTest : public QObject {
  Q_OBJECT
 private slots:
  void init() {
    toolkit::ErrorBox::setSink([this](const QString& m) { errors << m; });
    errors.clear();
  }
  void cleanup() { toolkit::ErrorBox::setSink({}); }

  void handOverRules() {
    const auto url = [](const char* text, HandOverKind kind) {
      const books::HandOver h = books::handOverUrl(text, kind);
      return QString::fromStdString(h.refusal.empty() ? h.url : "refused");
    };
    QCOMPARE(url("ann@example.org", HandOverKind::Mail), "mailto:ann@example.org");
    QCOMPARE(url("MAILTO:ann@example.org", HandOverKind::Mail), "mailto:ann@example.org");
    QCOMPARE(url("  ", HandOverKind::Mail), "");
    QCOMPARE(url("ann@x.org?attach=/etc/passwd", HandOverKind::Mail), "refused");
    QCOMPARE(url("not an address", HandOverKind::Mail), "refused");
    QCOMPARE(url("example.org/page", HandOverKind::Web), "http://example.org/page");
    QCOMPARE(url("example.org:8080", HandOverKind::Web), "http://example.org:8080");
    QCOMPARE(url("https://example.org", HandOverKind::Web), "https://example.org");
    for (const char* bad :
         {"file:///etc/passwd", "javascript:alert(1)", "/usr/bin/xterm", "./run.sh", "~/notes",
          "C:\\Windows\\calc.exe", "smb://host/share", "http:///etc/passwd", "data:text/html,x"})
      QVERIFY2(url(bad, HandOverKind::Link) == "refused", bad);
    QCOMPARE(url("mailto:ann@example.org", HandOverKind::Link), "mailto:ann@example.org");
    QCOMPARE(url("mailto:ann@example.org", HandOverKind::Web), "refused");
  }

  void phoneDoubleClicksHandOverAddresses() {
    SectionBookPage p(BookKind::Phones, {"Work"}, {{"Work", "ann"}});
    auto* book = static_cast<books::TPhonesBook*>(p.book.get());
    // The text on screen counts, posted or not.
    QTest::keyClicks(book->EmailDBEdit, "ann@example.org");
    QTest::mouseDClick(book->EmailDBEdit, Qt::LeftButton);
    QTest::keyClicks(book->WebSiteDBEdit, "example.org");
    QTest::mouseDClick(book->WebSiteDBEdit, Qt::LeftButton);
    QCOMPARE(p.shell.opened, QStringList({"mailto:ann@example.org", "http://example.org"}));
    book->WebSiteDBEdit->clear();
    QTest::keyClicks(book->WebSiteDBEdit, "file:///bin/sh");
    QTest::mouseDClick(book->WebSiteDBEdit, Qt::LeftButton);
    QCOMPARE(p.shell.opened.size(), 2);
    QCOMPARE(errors.size(), 1);
    // The filter searches every field but the section.
    book->RecordsFilterRow->FilterButton->click();
    QTest::keyClicks(book->RecordsFilterRow->edits().front(), "Street of");
    QCOMPARE(p.shown().size(), 1);
    book->RecordsFilterRow->edits().front()->setText("Work");
    QCOMPARE(p.shown().size(), 0);
  }

  void datesFilterEventThenDateAndNewRecord() {
    // Seeded on 01.01.2026 and 02.01.2026 (Russian short dates).
    SectionBookPage p(BookKind::Dates, {"Family"},
                      {{"Family", "Birthday"}, {"Family", "Birthday party"}, {}});
    auto* book = static_cast<books::TDatesBook*>(p.book.get());
    book->SectionCB->click();
    book->RecordsFilterRow->FilterButton->click();
    QVERIFY(book->DatesEdit->isEnabled());
    QTest::keyClicks(book->DatesEdit, "02.01");  // dates alone
    QCOMPARE(p.shown(), QStringList({"Family:Birthday party"}));
    QTest::keyClicks(book->EventsEdit, "party");
    QCOMPARE(p.shown().size(), 1);
    book->EventsEdit->setText("Birthday");
    book->DatesEdit->setText("03.01");  // the blank record's date, but not its event
    QCOMPARE(p.shown(), QStringList());
    book->EventsEdit->clear();
    QCOMPARE(p.shown(), QStringList({":"}));  // the record without a section or event
    QVERIFY(errors.isEmpty());
    book->RecordsFilterRow->FilterButton->click();
    QVERIFY(!book->DatesEdit->isEnabled() && book->DatesEdit->text() == "03.01");

    // A new record: today's date, the time now, the section on the left.
    const QTime before = QTime::currentTime().addMSecs(-1000);
    p.recordsTable().append();
    QCOMPARE(toolkit::toQDate(*p.recordsTable().dateField("Date")), QDate::currentDate());
    const QTime at = toolkit::toQTime(*p.recordsTable().timeField("Time"));
    QVERIFY(at >= before && at <= QTime::currentTime().addMSecs(1000));
    QCOMPARE(p.recordsTable().fieldText("Section"), std::string("Family"));
  }

  void linkDoubleClickOpensTheLink() {
    SectionBookPage p(BookKind::Links, {"Web"},
                      {{"Web", "https://example.org/a"}, {"Web", "/etc/passwd"}});
    auto* book = static_cast<books::TLinksBook*>(p.book.get());
    toolkit::TDBGrid* grid = book->RecordsDBGrid;
    const auto doubleClick = [&](const char* link) {
      const int row = static_cast<int>(p.shown().indexOf(QStringLiteral("Web:") + link));
      QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {},
                         grid->visualRect(grid->model()->index(row, 0)).center());
    };
    doubleClick("https://example.org/a");
    QCOMPARE(p.shell.opened, QStringList({"https://example.org/a"}));
    QVERIFY(!grid->isPersistentEditorOpen(grid->currentIndex()));
    QCOMPARE(p.recordsTable().state(), engine::TableState::Browse);
    doubleClick("/etc/passwd");
    QCOMPARE(p.shell.opened.size(), 1);
    QCOMPARE(errors.size(), 1);
    // The description is not searched.
    book->RecordsFilterRow->FilterButton->click();
    QTest::keyClicks(book->RecordsFilterRow->edits().front(), "example");
    QCOMPARE(p.shown(), QStringList({"Web:https://example.org/a"}));
  }

 private:
  QStringList errors;
};

QTEST_MAIN(BookActionsTest)
#include "BookActionsTest.moc"
