#pragma once
#include <QToolButton>

#include "books/DescribedBook.h"
#include "books/RepeatTexts.h"
#include "store/TableSet.h"

namespace torvelle::books {

// Important dates: events with a date and a description. The filter has two
// edits, the event text and the date text; a new record starts on today.
class TDatesBook : public TDescribedBook {
  Q_OBJECT
 public:
  TDatesBook(store::TTableSet& tables, TMoveRecToSectForm& moveForm, QWidget* parent = nullptr);

  bool DatesTableFilterRecord(const engine::RecordView& record);
  void DatesTableNewRecord(engine::Table& table);

  QLineEdit* EventsEdit;
  QLineEdit* DatesEdit;
  // Opens the repeat editor for the current date.
  QToolButton* RepeatSB;
  void RepeatSBClick();
  void setRepeatTexts(const TRepeatTexts* texts) { texts_ = texts; }

 protected:
  bool recordsFilter(const engine::RecordView& record) override {
    return DatesTableFilterRecord(record);
  }
  void newRecord(engine::Table& table) override { DatesTableNewRecord(table); }
  void placeColumns(const SectionBookLayout& l) override;

 private:
  // A repeating date's next occurrence and the years since its first.
  void decorateEvent(int row, int field, QString& text);

  int eventField_ = -1;
  int dateField_ = -1;
  int dateColumn_ = 64;
  TRepeatTexts ownTexts_;
  const TRepeatTexts* texts_ = &ownTexts_;
};

}  // namespace torvelle::books
