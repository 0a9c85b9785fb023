#include "books/SearchForm.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QVBoxLayout>

namespace torvelle::books {
namespace {

constexpr int kEntryRole = Qt::UserRole + 1;

// The first line of a field, as much as a result line shows.
QString shortText(const std::string& text) {
  QString line = QString::fromStdString(text).section(QLatin1Char('\n'), 0, 0).trimmed();
  return line.size() > 120 ? line.left(120) + QStringLiteral("\u2026") : line;
}

}  // namespace

TSearchForm::TSearchForm(const print::TCalendarTexts& texts, QWidget* parent)
    : QDialog(parent), texts_(texts) {
  setObjectName(QStringLiteral("SearchForm"));
  setWindowTitle(texts_.SearchCaption);
  resize(560, 420);
  SearchEdit = new QLineEdit(this);
  SearchEdit->setObjectName(QStringLiteral("SearchEdit"));
  SearchEdit->setClearButtonEnabled(true);
  SearchRegSB = new QToolButton(this);
  SearchRegSB->setObjectName(QStringLiteral("SearchRegSB"));
  SearchRegSB->setText(QStringLiteral("R"));
  SearchRegSB->setCheckable(true);
  SearchRegSB->setChecked(true);
  SearchRegSB->setFocusPolicy(Qt::NoFocus);
  SearchResults = new QTreeWidget(this);
  SearchResults->setObjectName(QStringLiteral("SearchResults"));
  SearchResults->setColumnCount(2);
  SearchResults->setHeaderHidden(true);
  SearchResults->setRootIsDecorated(false);
  SearchResults->setUniformRowHeights(true);
  SearchResults->header()->setSectionResizeMode(0, QHeaderView::Interactive);
  SearchResults->header()->resizeSection(0, 220);

  auto* row = new QHBoxLayout;
  row->addWidget(SearchEdit, 1);
  row->addWidget(SearchRegSB);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(row);
  layout->addWidget(SearchResults, 1);

  connect(SearchEdit, &QLineEdit::textChanged, this, [this] { search(); });
  connect(SearchRegSB, &QToolButton::toggled, this, [this] { search(); });
  connect(SearchResults, &QTreeWidget::itemActivated, this, [this] { openCurrent(); });
  SearchEdit->installEventFilter(this);
}

void TSearchForm::openSearch() {
  setWindowTitle(texts_.SearchCaption);
  index_ = source_ ? source_() : SearchIndex();
  search();
  SearchEdit->selectAll();
  show();
  raise();
  activateWindow();
  SearchEdit->setFocus();
}

void TSearchForm::search() {
  const SearchResult result =
      index_.search(SearchEdit->text().toStdString(), SearchRegSB->isChecked(), kListedPerBook);
  SearchResults->setUpdatesEnabled(false);
  SearchResults->clear();
  std::array<QTreeWidgetItem*, kSearchBooks> groups{};
  QFont bold = SearchResults->font();
  bold.setBold(true);
  for (const SearchHit& hit : result.hits) {
    const SearchEntry& entry = index_.entries()[hit.entry];
    const auto book = static_cast<std::size_t>(entry.book);
    if (!groups[book]) {
      QString caption = print::TCalendarTexts::listItem(texts_.SearchBooks, static_cast<int>(book));
      caption += QStringLiteral(" (%1)").arg(result.found[book]);
      groups[book] = new QTreeWidgetItem(SearchResults, {caption});
      groups[book]->setFirstColumnSpanned(true);
      groups[book]->setFont(0, bold);
      groups[book]->setFlags(Qt::ItemIsEnabled);
    }
    QString title = shortText(entry.title);
    if (!entry.section.empty()) title += QStringLiteral(" [%1]").arg(shortText(entry.section));
    auto* item = new QTreeWidgetItem(
        groups[book], {title, shortText(entry.fields[static_cast<std::size_t>(hit.field)])});
    item->setData(0, kEntryRole, static_cast<qulonglong>(hit.entry));
  }
  SearchResults->expandAll();
  // The first result is current, so Enter opens it straight from the edit.
  for (int i = 0; i < SearchResults->topLevelItemCount(); ++i)
    if (QTreeWidgetItem* group = SearchResults->topLevelItem(i); group->childCount() > 0) {
      SearchResults->setCurrentItem(group->child(0));
      break;
    }
  SearchResults->setUpdatesEnabled(true);
}

void TSearchForm::openCurrent() {
  const QTreeWidgetItem* item = SearchResults->currentItem();
  if (!item || !item->data(0, kEntryRole).isValid()) return;
  const auto entry = static_cast<std::size_t>(item->data(0, kEntryRole).toULongLong());
  if (entry >= index_.entries().size()) return;
  const SearchEntry chosen = index_.entries()[entry];
  hide();
  emit recordOpened(chosen);
}

bool TSearchForm::eventFilter(QObject* watched, QEvent* event) {
  // The edit keeps the focus; Up, Down and Enter work the results list.
  if (watched == SearchEdit && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      openCurrent();
      return true;
    }
    if (key == Qt::Key_Down || key == Qt::Key_Up || key == Qt::Key_PageDown ||
        key == Qt::Key_PageUp) {
      QApplication::sendEvent(SearchResults, event);
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace torvelle::books
