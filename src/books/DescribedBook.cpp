#include "books/DescribedBook.h"

#include "engine/FieldNames.h"

namespace torvelle::books {

namespace {
// 264 and 278 on the 383 design height; the memo is 74 high.
constexpr int kLabelFromBottom = 119;
constexpr int kMemoFromBottom = 105;
constexpr int kMemoHeight = 74;
}  // namespace

TDescribedBook::TDescribedBook(TSectionBookParts parts, store::TParadoxTable& sectionsTable,
                               engine::DataSource& sectionsSource,
                               store::TParadoxTable& recordsTable,
                               engine::DataSource& recordsSource, TMoveRecToSectForm& moveForm,
                               const QString& labelName, const QString& labelText,
                               const QString& memoName, QWidget* parent)
    : TSectionBook(std::move(parts), sectionsTable, sectionsSource, recordsTable, recordsSource,
                   moveForm, parent),
      DescriptionLabel(new QLabel(labelText, this)),
      DescriptionDBMemo(new toolkit::TDBMemo(this)) {
  DescriptionLabel->setObjectName(labelName);
  DescriptionDBMemo->setObjectName(memoName);
  DescriptionDBMemo->setDataSource(&recordsSource);
  DescriptionDBMemo->setDataField(QString::fromLatin1(engine::kDescriptionField));
  DescriptionDBMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
}

void TDescribedBook::placeRecordsArea(const SectionBookLayout& l, int pageHeight) {
  if (!DescriptionDBMemo) return;  // still being built
  DescriptionLabel->setGeometry(l.pane + 12, pageHeight - kLabelFromBottom, l.recordsWidth - 3, 14);
  DescriptionDBMemo->setGeometry(l.recordsLeft, pageHeight - kMemoFromBottom, l.recordsWidth,
                                 kMemoHeight);
}

}  // namespace torvelle::books
