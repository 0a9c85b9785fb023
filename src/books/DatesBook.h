#pragma once
#include "books/DescribedBook.h"
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

 protected:
  bool recordsFilter(const engine::RecordView& record) override {
    return DatesTableFilterRecord(record);
  }
  void newRecord(engine::Table& table) override { DatesTableNewRecord(table); }
  void placeColumns(const SectionBookLayout& l) override;

 private:
  int eventField_ = -1;
  int dateField_ = -1;
  int dateColumn_ = 64;
};

}  // namespace torvelle::books
