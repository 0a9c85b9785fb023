#pragma once
#include "books/DescribedBook.h"
#include "store/TableSet.h"

namespace torvelle::books {

// Helpful links: addresses with a description. A double-click on the grid
// opens the current link through the desktop.
class TLinksBook : public TDescribedBook {
  Q_OBJECT
 public:
  TLinksBook(store::TTableSet& tables, TMoveRecToSectForm& moveForm,
             platform::TShellOpen& shellOpen, QWidget* parent = nullptr);

  bool LinksTableFilterRecord(const engine::RecordView& record);
  void LinksDBGridDblClick();

 protected:
  bool recordsFilter(const engine::RecordView& record) override {
    return LinksTableFilterRecord(record);
  }
  void placeColumns(const SectionBookLayout& l) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  int linkField_ = -1;
};

}  // namespace torvelle::books
