#pragma once
#include <QCheckBox>
#include <QLabel>
#include <QToolButton>
#include <QVector>
#include <QWidget>
#include <functional>
#include <map>
#include <optional>
#include <string>

#include "books/MoveRecToSect.h"
#include "books/PageExchange.h"
#include "books/SectionRules.h"
#include "platform/ShellOpen.h"
#include "store/ParadoxTable.h"
#include "toolkit/DBGrid.h"
#include "toolkit/DBNavigator.h"
#include "toolkit/FilterRow.h"

namespace torvelle::books {

// What one section book is made of: the names its controls and handlers are
// built from, its records grid and its search edits.
struct TSectionBookParts {
  struct SearchEdit {
    QString name;
    int maxLength;
    int fixedWidth = 0;  // 0: takes the room left
  };
  QString page;         // "PhonesBook"
  QString sections;     // "PhoneSections": PhoneSectionsDBGrid, ...Edit, ...RegSB, ...Table
  QString records;      // "Phones": PhonesDBGrid, ...RegSB, ...DBNavigator, ...MoveTB, ...Table
  QString toolBar;      // "PhonesTB"
  QString linkBox;      // "SectionPhoneCB"
  QString linkCaption;  // its designed text
  QVector<toolkit::TColumn> columns;
  QVector<int> columnWidths;
  QVector<SearchEdit> searchEdits;
};

// A section book page: the sections grid on the left, the records of the
// current section (or of all sections, with the link box cleared) on the
// right, each with its filter row, and below them the link box, the records
// navigator and the Move button. Renaming or deleting a section carries its
// records along; records move between sections through TMoveRecToSectForm.
// A subclass adds the book's own fields, records filter rule and actions.
//
// The designed handlers are member functions, connected directly to their
// controls and to the tables' events.
class TSectionBook : public QWidget {
  Q_OBJECT
 public:
  TSectionBook(TSectionBookParts parts, store::TParadoxTable& sectionsTable,
               engine::DataSource& sectionsSource, store::TParadoxTable& recordsTable,
               engine::DataSource& recordsSource, TMoveRecToSectForm& moveForm,
               QWidget* parent = nullptr);
  ~TSectionBook() override;

  // --- Shared operations ------------------------------------------------
  // Links the records to the current section when the box is checked.
  void SetSectionLink();
  // One side's filter button changed: filter the table and move the focus.
  void SwitchFilter(toolkit::TFilterRow* row, engine::Table& table, toolkit::TDBGrid* grid);
  // Before a section is deleted: its records go with it, as one change.
  void DeleteSectionRecords();
  // After a section is posted: an edited name is carried to its records.
  void RenameSectionRecords();
  // Moves the selected records to a section chosen in the dialog.
  void MoveRecordsToSection();

  // A filter edit changed: the side's table is filtered again.
  void SectionsRegSBClick();
  void RecordsRegSBClick();
  // Makes the record with this key current, its section selected in the
  // sections grid. False when the book has no such record.
  bool showRecord(const format::Record& key);
  // Right button: press the Move button.
  void RecordsDBGridMouseUp(Qt::MouseButton button);
  // Places every control for the page's width; runs on each resize.
  void BookResize();
  void ToolBarResize();

  const TSectionBookParts& parts() const { return parts_; }
  store::TParadoxTable& sectionsTable() const { return sectionsTable_; }
  store::TParadoxTable& recordsTable() const { return recordsTable_; }

  // --- Controls (objectNames from the parts) ----------------------------
  toolkit::TFilterRow* SectionsFilterRow;
  QLineEdit* SectionsEdit;
  toolkit::TDBGrid* SectionsDBGrid;
  toolkit::TFilterRow* RecordsFilterRow;
  toolkit::TDBGrid* RecordsDBGrid;
  QWidget* ToolBar;
  QCheckBox* SectionCB;
  toolkit::TDBNavigator* Navigator;
  QToolButton* MoveTB;
  // Import and export: the buttons after the designed ones, and their work.
  TPageExchange* Exchange;

  // The page width seen by the previous resize.
  int Tag = 632;

 protected:
  // The book's records filter rule, run per record while the filter is on.
  virtual bool recordsFilter(const engine::RecordView& record) = 0;
  // After the new record got its section.
  virtual void newRecord(engine::Table&) {}
  // The book's own controls below the records grid and its column widths.
  virtual void placeRecordsArea(const SectionBookLayout& l, int pageHeight) = 0;
  virtual void placeColumns(const SectionBookLayout& l) = 0;

  // The field's position in the records table; DbError when it lacks it.
  int requiredField(const char* name) const;
  // The records search edits' texts as the filter rules take them: as
  // typed, and folded to capitals for the case-blind rule.
  const std::string& pattern(int edit) const { return patterns_.at(edit); }
  const std::string& foldedPattern(int edit) const { return foldedPatterns_.at(edit); }
  // Opens `text` as the desktop would, when it is an address of that kind.
  void handOver(const QString& text, HandOverKind kind);

  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

  TSectionBookParts parts_;
  store::TParadoxTable& sectionsTable_;
  engine::DataSource& sectionsSource_;
  store::TParadoxTable& recordsTable_;
  engine::DataSource& recordsSource_;
  TMoveRecToSectForm& moveForm_;
  platform::TShellOpen* shell_ = nullptr;  // the books with addresses set it

 private:
  void buildControls();
  void bindEvents();
  // A new record starts in the linked section.
  void RecordsTableNewRecord();
  void reapply(engine::Table& table);
  void takePatterns();
  bool sectionsFilter(const engine::RecordView& record) const;
  void newRecordSection(engine::Table& table);
  void putBackSectionName(const std::string& name);
  // The section an export is limited to: the linked one, else none.
  std::string exportSection() const;
  // Linked to a section that got none of the imported records: show one that did.
  void showImported(const exchange::ImportSummary& summary);
  // Sets the records' Section to `name`.
  format::FieldChanges sectionChange(const std::string& name) const;

  // The section name as the current edit found it; none for an insert.
  std::optional<std::string> oldSectionName_;
  bool puttingBack_ = false;
  std::string sectionsPattern_;
  std::string sectionsFolded_;
  std::vector<std::string> patterns_;
  std::vector<std::string> foldedPatterns_;
};

}  // namespace torvelle::books
