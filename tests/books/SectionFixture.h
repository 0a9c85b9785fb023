#pragma once
// One of the three section books over real tables in a temporary folder,
// seeded through the file layer and read back from disk with pxlib.
#include <QDate>
#include <QLocale>
#include <QStringList>
#include <QTime>
#include <QTimer>
#include <QtTest>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "PxlibReader.h"
#include "books/DatesBook.h"
#include "books/LinksBook.h"
#include "books/PhonesBook.h"
#include "engine/Session.h"
#include "engine/ShippedTables.h"
#include "engine/format/TableFile.h"
#include "platform/fake/FakeServices.h"
#include "store/TableSet.h"
#include "toolkit/EngineDates.h"

#include "common/TempDir.h"

namespace torvelle::testing {

enum class BookKind { Phones, Dates, Links };

// A record as the tests see it: its section and its label (the phone's
// name, the event or the link).
struct SeedRecord {
  std::string section;
  std::string label;
};

struct BookFiles {
  const char* sections;
  const char* records;
  const char* memo;  // "" without one
  int labelField;
  const char* labelName;
};

inline BookFiles bookFiles(BookKind kind) {
  switch (kind) {
    case BookKind::Phones:
      return {"DB/Phones/PhoneSections.db", "DB/Phones/Phones.db", "", 1, "Name"};
    case BookKind::Dates:
      return {"DB/Dates/DateSections.db", "DB/Dates/Dates.db", "DB/Dates/Dates.mb", 3, "Event"};
    case BookKind::Links:
      return {"DB/Links/LinkSections.db", "DB/Links/Links.db", "DB/Links/Links.mb", 1, "Link"};
  }
  return {};
}

// Distinct dates and times keep the dates' keys apart.
inline format::Record seedRecord(BookKind kind, const SeedRecord& r, int i) {
  format::Record out;
  switch (kind) {
    case BookKind::Phones:
      out.assign(12, format::Value{});
      out[7] = "Street of " + r.label;
      break;
    case BookKind::Dates:
      out.assign(5, format::Value{});
      out[1] = toolkit::fromQDate(QDate(2026, 1, 1).addDays(i));
      out[2] = toolkit::fromQTime(QTime(10, 0).addSecs(i));
      break;
    case BookKind::Links:
      out.assign(3, format::Value{});
      break;
  }
  if (!r.section.empty()) out[0] = r.section;
  out[static_cast<std::size_t>(bookFiles(kind).labelField)] = r.label;
  return out;
}

struct SectionBookPage {
  SectionBookPage(BookKind kind, const std::vector<std::string>& sections,
                  const std::vector<SeedRecord>& records)
      : kind(kind) {
    engine::createShippedTables(dir.path());
    format::OpenOptions options;
    options.writable = true;
    options.sync = false;
    const BookFiles f = bookFiles(kind);
    {
      auto file = format::TableFile::open(dir.path() / f.sections, options);
      for (const std::string& s : sections) file->insert({format::Value(s)});
    }
    {
      auto file = format::TableFile::open(dir.path() / f.records, options);
      for (std::size_t i = 0; i < records.size(); ++i)
        file->insert(seedRecord(kind, records[i], static_cast<int>(i)));
    }
    session.setDisplayFormats(
        toolkit::localeDisplayFormats(QLocale(QLocale::Russian, QLocale::Russia)));
    tables = std::make_unique<store::TTableSet>(session, dir.path());
    switch (kind) {
      case BookKind::Phones:
        book = std::make_unique<books::TPhonesBook>(*tables, form, shell);
        break;
      case BookKind::Dates:
        book = std::make_unique<books::TDatesBook>(*tables, form);
        break;
      case BookKind::Links:
        book = std::make_unique<books::TLinksBook>(*tables, form, shell);
        break;
    }
    tables->OpenTables();
    book->resize(632, 383);
    book->show();
    // Focus and key presses need the active window.
    book->activateWindow();
    if (!QTest::qWaitForWindowActive(book.get())) qWarning("the page did not become active");
  }
  ~SectionBookPage() {
    book.reset();
    if (tables) tables->PostAndCloseTables();
  }

  engine::Table& sectionsTable() { return book->sectionsTable(); }
  engine::Table& recordsTable() { return book->recordsTable(); }
  const char* labelName() const { return bookFiles(kind).labelName; }

  static QString entry(std::string_view section, std::string_view label) {
    return QString::fromUtf8(section.data(), static_cast<qsizetype>(section.size())) + ':' +
           QString::fromUtf8(label.data(), static_cast<qsizetype>(label.size()));
  }
  // "section:label" of the records the grid shows, in its order.
  QStringList shown() {
    QStringList out;
    engine::Table& t = recordsTable();
    for (std::size_t i = 0; i < t.rowCount(); ++i)
      out << entry(t.row(i).text(0), t.row(i).text(labelName()));
    return out;
  }
  QStringList shownSections() {
    QStringList out;
    engine::Table& t = sectionsTable();
    for (std::size_t i = 0; i < t.rowCount(); ++i)
      out << QString::fromStdString(std::string(t.row(i).text(0)));
    return out;
  }
  // What pxlib reads from the records file, sorted.
  QStringList onDisk() {
    const BookFiles f = bookFiles(kind);
    const std::filesystem::path mb = *f.memo ? dir.path() / f.memo : std::filesystem::path();
    format::testing::PxlibReader px(dir.path() / f.records, mb, dir.path());
    QStringList out;
    for (const format::Record& r : px.all(1251)) {
      const auto text = [&](int i) {
        const auto* s = std::get_if<std::string>(&r[static_cast<std::size_t>(i)]);
        return s ? *s : std::string();
      };
      out << entry(text(0), text(f.labelField));
    }
    out.sort();
    return out;
  }
  // Selects the records with these labels in the records grid.
  void select(const QStringList& labels) {
    engine::Table& t = recordsTable();
    for (std::size_t i = 0; i < t.rowCount(); ++i)
      if (labels.contains(QString::fromUtf8(std::string(t.row(i).text(labelName()))))) {
        t.moveTo(i);
        book->RecordsDBGrid->SelectedRows().add(t.bookmark());
      }
  }
  void goToSection(const QString& name) {
    engine::Table& t = sectionsTable();
    for (std::size_t i = 0; i < t.rowCount(); ++i)
      if (QString::fromUtf8(std::string(t.row(i).text(0))) == name) t.moveTo(i);
  }
  // The next showing of the move dialog picks `section` (or cancels when
  // it is empty) and records the list it showed.
  void answerMove(const QString& section) {
    QTimer::singleShot(0, &form, [this, section] {
      dialogShown = form.isVisible();
      offered.clear();
      for (int i = 0; i < form.ListBox->count(); ++i) offered << form.ListBox->item(i)->text();
      if (section.isEmpty()) return form.reject();
      const auto items = form.ListBox->findItems(section, Qt::MatchExactly);
      if (!items.isEmpty()) form.ListBox->setCurrentItem(items.front());
      form.OKButton->click();
    });
  }

  BookKind kind;
  TempDir dir;
  engine::Session session;
  std::unique_ptr<store::TTableSet> tables;
  books::TMoveRecToSectForm form;
  platform::TFakeShellOpen shell;
  std::unique_ptr<books::TSectionBook> book;
  bool dialogShown = false;
  QStringList offered;
};

}  // namespace torvelle::testing
