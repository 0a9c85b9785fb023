#pragma once
#include <QLabel>
#include <array>

#include "books/SectionBook.h"
#include "store/TableSet.h"
#include "toolkit/DBEdit.h"

namespace torvelle::books {

// The phone book: contacts with their phones, address, e-mail and web site.
// Its filter searches all eleven fields; a double-click on the e-mail or the
// web-site field hands the address to the desktop.
class TPhonesBook : public TSectionBook {
  Q_OBJECT
 public:
  TPhonesBook(store::TTableSet& tables, TMoveRecToSectForm& moveForm,
              platform::TShellOpen& shellOpen, QWidget* parent = nullptr);

  bool PhonesTableFilterRecord(const engine::RecordView& record);
  void EmailDBEditDblClick();
  void WebSiteDBEditDblClick();

  toolkit::TDBEdit* CountryDBEdit = nullptr;
  toolkit::TDBEdit* ZipDBEdit = nullptr;
  toolkit::TDBEdit* CityDBEdit = nullptr;
  toolkit::TDBEdit* StreetDBEdit = nullptr;
  toolkit::TDBEdit* CellularDBEdit = nullptr;
  toolkit::TDBEdit* ICQDBEdit = nullptr;
  toolkit::TDBEdit* EmailDBEdit = nullptr;
  toolkit::TDBEdit* WebSiteDBEdit = nullptr;
  QLabel* CountryLabel = nullptr;
  QLabel* ZipLabel = nullptr;
  QLabel* CityLabel = nullptr;
  QLabel* StreetLabel = nullptr;
  QLabel* CellularLabel = nullptr;
  QLabel* ICQLabel = nullptr;
  QLabel* EmailLabel = nullptr;
  QLabel* WebSiteLabel = nullptr;

 protected:
  bool recordsFilter(const engine::RecordView& record) override {
    return PhonesTableFilterRecord(record);
  }
  void placeRecordsArea(const SectionBookLayout& l, int pageHeight) override;
  void placeColumns(const SectionBookLayout& l) override;
  // What column `column`'s title needs to show whole.
  int titleWidth(int column) const;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  std::array<toolkit::TDBEdit*, 4> leftColumn() const;
  std::array<toolkit::TDBEdit*, 4> rightColumn() const;
  std::array<QLabel*, 4> leftLabels() const;
  std::array<QLabel*, 4> rightLabels() const;
};

}  // namespace torvelle::books
