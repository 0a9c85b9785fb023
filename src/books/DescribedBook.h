#pragma once
#include <QLabel>

#include "books/SectionBook.h"
#include "toolkit/DBMemo.h"

namespace torvelle::books {

// A section book whose records carry a free-text description, shown in a
// memo under the records grid with its label above it.
class TDescribedBook : public TSectionBook {
  Q_OBJECT
 public:
  TDescribedBook(TSectionBookParts parts, store::TParadoxTable& sectionsTable,
                 engine::DataSource& sectionsSource, store::TParadoxTable& recordsTable,
                 engine::DataSource& recordsSource, TMoveRecToSectForm& moveForm,
                 const QString& labelName, const QString& labelText, const QString& memoName,
                 QWidget* parent = nullptr);

  QLabel* DescriptionLabel = nullptr;
  toolkit::TDBMemo* DescriptionDBMemo = nullptr;

 protected:
  void placeRecordsArea(const SectionBookLayout& l, int pageHeight) override;
};

}  // namespace torvelle::books
