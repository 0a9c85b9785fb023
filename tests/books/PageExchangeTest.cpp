// Import and export through the pages' buttons: a file chosen through the
// dialog seam, the summary answered, the rows seen in the grid and on disk,
// and the exported file read back.
#include <QCheckBox>
#include <QFile>
#include <QMessageBox>
#include <QtTest>

#include "SectionFixture.h"
#include "TaskFixture.h"
#include "books/TasksBook.h"
#include "shell/ModalScript.h"
#include "toolkit/ErrorBox.h"

using namespace torvelle;
using testing::BookKind;
using testing::SectionBookPage;

Q_DECLARE_METATYPE(BookKind)

namespace {

// Files a page takes: two new records in a new section, and the same with
// one more whose name Windows-1251 cannot hold.
struct Fixture {
  const char* fileName;
  const char* good;
  const char* refused;
};

Fixture fixtureFor(BookKind kind) {
  switch (kind) {
    case BookKind::Phones:
      return {"friends.vcf",
              "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:zoe\r\nTEL;TYPE=HOME:123\r\n"
              "CATEGORIES:Friends\r\nEND:VCARD\r\n"
              "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:yan\r\nCATEGORIES:Friends\r\nEND:VCARD\r\n",
              "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:xia\r\nCATEGORIES:Friends\r\nEND:VCARD\r\n"
              "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:\xe7\x94\xb0\xe4\xb8\xad\r\n"
              "CATEGORIES:Friends\r\nEND:VCARD\r\n"};
    case BookKind::Dates:
      return {"friends.ics",
              "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//t//t//EN\r\n"
              "BEGIN:VEVENT\r\nUID:1\r\nDTSTART;VALUE=DATE:20260301\r\nSUMMARY:zoe\r\n"
              "CATEGORIES:Friends\r\nEND:VEVENT\r\n"
              "BEGIN:VEVENT\r\nUID:2\r\nDTSTART;VALUE=DATE:20260302\r\nSUMMARY:yan\r\n"
              "CATEGORIES:Friends\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n",
              "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//t//t//EN\r\n"
              "BEGIN:VEVENT\r\nUID:3\r\nDTSTART;VALUE=DATE:20260303\r\nSUMMARY:xia\r\n"
              "CATEGORIES:Friends\r\nEND:VEVENT\r\n"
              "BEGIN:VEVENT\r\nUID:4\r\nDTSTART;VALUE=DATE:20260304\r\n"
              "SUMMARY:\xe7\x94\xb0\xe4\xb8\xad\r\nCATEGORIES:Friends\r\nEND:VEVENT\r\n"
              "END:VCALENDAR\r\n"};
    case BookKind::Links:
      return {"friends.csv", "Section,Link\nFriends,zoe\nFriends,yan\n",
              "Section,Link\nFriends,xia\nFriends,\xe7\x94\xb0\xe4\xb8\xad\n"};
  }
  return {};
}

QString writeFile(const std::filesystem::path& dir, const char* name, const char* text) {
  QString path = QString::fromStdString((dir / name).string());
  QFile file(path);
  file.open(QIODevice::WriteOnly);
  file.write(text);
  return path;
}

QString readFile(const QString& path) {
  QFile file(path);
  file.open(QIODevice::ReadOnly);
  return QString::fromUtf8(file.readAll());
}

// Answers the next file dialogs with these paths, filter 0.
books::TFileDialogs feed(QString* open, QString* save) {
  return {[open](QWidget*, const QString&, const QStringList&, int&) { return *open; },
          [save](QWidget*, const QString&, const QStringList&, int&) { return *save; }};
}

// Answers the summary box with the button of that name, keeping its text.
ModalScript::Step answer(QString& text, const char* button) {
  return [&text, button](QWidget* modal) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    QVERIFY(box);
    text = box->text();
    auto* b = box->findChild<QAbstractButton*>(QString::fromLatin1(button));
    QVERIFY2(b, button);
    b->click();
  };
}

}  // namespace

class PageExchangeTest : public QObject {
  Q_OBJECT
 private slots:
  void init() {
    toolkit::ErrorBox::setSink([this](const QString& m) { errors << m; });
    errors.clear();
  }
  void cleanup() { toolkit::ErrorBox::setSink({}); }

  void sectionBookImportsAndExports_data() {
    QTest::addColumn<BookKind>("kind");
    QTest::newRow("phones") << BookKind::Phones;
    QTest::newRow("dates") << BookKind::Dates;
    QTest::newRow("links") << BookKind::Links;
  }
  void sectionBookImportsAndExports() {
    QFETCH(BookKind, kind);
    SectionBookPage p(kind, {"Work"}, {{"Work", "ann"}});
    const Fixture f = fixtureFor(kind);
    QString openPath = writeFile(p.dir.path(), f.fileName, f.good);
    QString savePath;
    books::TPageExchange& exchange = *p.book->Exchange;
    exchange.setFileDialogs(feed(&openPath, &savePath));
    // The buttons follow the designed ones without moving them.
    QVERIFY(exchange.ExportTB->geometry().right() < p.book->Navigator->geometry().left());
    QVERIFY(exchange.ImportTB->geometry().left() > p.book->SectionCB->geometry().right());

    // A pending edit is posted first, as closing would.
    p.recordsTable().edit();
    p.recordsTable().setField(p.labelName(), format::Value(std::string("ann2")));
    QString summary;
    {
      ModalScript script;
      script.then(answer(summary, "ImportButton"));
      exchange.ImportTB->click();
      QVERIFY(script.done());
    }
    QVERIFY2(errors.isEmpty(), qPrintable(errors.join('\n')));
    QVERIFY2(summary.contains("Records to add: 2"), qPrintable(summary));
    QVERIFY2(summary.contains("New sections: 1"), qPrintable(summary));
    QCOMPARE(p.onDisk(), QStringList({"Friends:yan", "Friends:zoe", "Work:ann2"}));
    // The link shows the section the records went to.
    QCOMPARE(p.shownSections(), QStringList({"Friends", "Work"}));
    QCOMPARE(p.sectionsTable().fieldText("Section"), "Friends");
    QCOMPARE(p.shown().size(), 2);

    // Linked: the current section's records; unlinked: all of them.
    savePath = QString::fromStdString((p.dir.path() / "out").string());
    exchange.ExportTB->click();
    const QString exported = savePath + (kind == BookKind::Phones  ? ".vcf"
                                         : kind == BookKind::Dates ? ".ics"
                                                                   : ".csv");
    QString text = readFile(exported);
    QVERIFY2(text.contains("zoe") && text.contains("yan") && !text.contains("ann2"),
             qPrintable(text));
    p.book->SectionCB->click();
    exchange.ExportTB->click();
    QVERIFY(readFile(exported).contains("ann2"));
    QVERIFY2(errors.isEmpty(), qPrintable(errors.join('\n')));

    // A refused record is named with its reason; cancelling writes nothing.
    openPath = writeFile(p.dir.path(), f.fileName, f.refused);
    {
      ModalScript script;
      script.then(answer(summary, "CancelButton"));
      exchange.ImportTB->click();
      QVERIFY(script.done());
    }
    QVERIFY2(summary.contains("cannot be stored: 1"), qPrintable(summary));
    QVERIFY2(summary.contains(QString::fromUtf8("\xe7\x94\xb0\xe4\xb8\xad")), qPrintable(summary));
    QCOMPARE(p.onDisk().size(), 3);
    QCOMPARE(p.shown().size(), 3);

    // A file that is not what its name says: a clear error, nothing written.
    openPath = writeFile(p.dir.path(), f.fileName, "\x01\x02garbage\x00\xff");
    exchange.ImportTB->click();
    QCOMPARE(errors.size(), 1);
    QVERIFY2(errors.front().startsWith("Nothing was imported from"), qPrintable(errors.front()));
    QCOMPARE(p.onDisk().size(), 3);
  }

  void tasksImportAndExport() {
    testing::TaskTables data({{QDate(2026, 3, 1), QTime(9, 0), "old task", false, ""}});
    books::TMoveRecOnDateForm form;
    books::TTasksBook book(*data.tables, form, [] { return false; });
    data.tables->OpenTables();
    book.resize(632, 420);
    book.show();
    book.setTaskMode(books::AllTasks);
    QString openPath = writeFile(data.dir.path(), "todo.ics",
                                 "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//t//t//EN\r\n"
                                 "BEGIN:VTODO\r\nUID:1\r\nDUE;VALUE=DATE:20260310\r\n"
                                 "SUMMARY:buy milk\r\nEND:VTODO\r\nEND:VCALENDAR\r\n");
    QString savePath = QString::fromStdString((data.dir.path() / "tasks.csv").string());
    book.Exchange->setFileDialogs(feed(&openPath, &savePath));
    QVERIFY(book.Exchange->ImportTB->geometry().left() > book.TasksMoveTB->geometry().right());
    QVERIFY(book.Exchange->ExportTB->geometry().right() < book.DoneDBCB->geometry().left());
    QString summary;
    {
      ModalScript script;
      script.then(answer(summary, "ImportButton"));
      book.Exchange->ImportTB->click();
      QVERIFY(script.done());
    }
    QVERIFY2(errors.isEmpty(), qPrintable(errors.join('\n')));
    auto& table = data.tables->TaskTable;
    QCOMPARE(table.rowCount(), 2u);
    QCOMPARE(format::TableFile::open(testing::tasksPath(data.dir.path()), {})->recordCount(), 2u);
    book.Exchange->ExportTB->click();
    const QString text = readFile(savePath);
    QVERIFY2(
        text.startsWith("Date,Time,Task") && text.contains("buy milk") && text.contains("old task"),
        qPrintable(text));

    // Events come too; a to-do cut short by the file's end is refused alone
    // and saved, as the file had it, before the rest goes in.
    openPath = writeFile(data.dir.path(), "more.ics",
                         "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//t//t//EN\r\n"
                         "BEGIN:VEVENT\r\nUID:6\r\nDTSTART:20260312T080000\r\nSUMMARY:meet\r\n"
                         "END:VEVENT\r\nBEGIN:VTODO\r\nUID:5\r\nSUMMARY:no date\r\nEND:VTODO\r\n"
                         "BEGIN:VTODO\r\nUID:7\r\nSUMMARY:cut sho");
    savePath = QString::fromStdString((data.dir.path() / "refused.ics").string());
    {
      ModalScript script;
      script.then(answer(summary, "SaveRefusedButton")).then(answer(summary, "ImportButton"));
      book.Exchange->ImportTB->click();
      QVERIFY(script.done());
    }
    QVERIFY2(summary.contains("Records to add: 2") && summary.contains("cannot be stored: 1"),
             qPrintable(summary));
    const QString refused = readFile(savePath);
    QVERIFY2(refused.startsWith("BEGIN:VCALENDAR") && refused.contains("SUMMARY:cut sho") &&
                 !refused.contains("meet"),
             qPrintable(refused));
    QCOMPARE(table.rowCount(), 4u);
    data.tables->PostAndCloseTables();
  }

  // A phone's own backup through the page: counted as the command line counts it.
  void phoneBackupThroughThePage() {
    SectionBookPage p(BookKind::Phones, {"Work"}, {});
    QString openPath =
        QString::fromStdString(std::string(TORVELLE_EXCHANGE_FIXTURES) + "/phone-backup-2.1.vcf");
    QString savePath;
    p.book->Exchange->setFileDialogs(feed(&openPath, &savePath));
    QString summary;
    {
      ModalScript script;
      script.then(answer(summary, "ImportButton"));
      p.book->Exchange->ImportTB->click();
      QVERIFY(script.done());
    }
    QVERIFY2(summary.contains("Records to add: 4") && summary.contains("cannot be stored: 2") &&
                 summary.contains("placeholder birthday: 2"),
             qPrintable(summary));
    QCOMPARE(p.onDisk().size(), 4);
  }

  // Letters the table lacks are stored without their accents once the box
  // is ticked: the trial is run again and lists them; a name without a base
  // letter stays refused.
  void accentsAreFoldedWhenTheBoxIsTicked() {
    SectionBookPage p(BookKind::Phones, {"Work"}, {});
    QString openPath = writeFile(p.dir.path(), "accents.vcf",
                                 "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:J\xc3\xbcrgen M\xc3\xbcller\r\n"
                                 "CATEGORIES:Work\r\nEND:VCARD\r\n"
                                 "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:\xe7\x94\xb0\xe4\xb8\xad\r\n"
                                 "CATEGORIES:Work\r\nEND:VCARD\r\n");
    QString savePath;
    p.book->Exchange->setFileDialogs(feed(&openPath, &savePath));
    QString first, second;
    {
      ModalScript script;
      script
          .then([&first](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            QVERIFY(box);
            first = box->text();
            auto* fold = box->findChild<QCheckBox*>(QStringLiteral("FoldAccentsCheckBox"));
            QVERIFY(fold && !fold->isChecked());
            fold->click();
          })
          .then(answer(second, "ImportButton"));
      p.book->Exchange->ImportTB->click();
      QVERIFY(script.done());
    }
    QVERIFY2(first.contains("cannot be stored: 2") && !first.contains("without accents"),
             qPrintable(first));
    QVERIFY2(second.contains("Stored without accents: 1") && second.contains("\"Jurgen Muller\"") &&
                 second.contains("cannot be stored: 1"),
             qPrintable(second));
    QCOMPARE(p.onDisk(), QStringList{"Work:Jurgen Muller"});
  }

 private:
  QStringList errors;
};

QTEST_MAIN(PageExchangeTest)
#include "PageExchangeTest.moc"
