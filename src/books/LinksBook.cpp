#include "books/LinksBook.h"

#include "engine/FieldNames.h"

#include <QMouseEvent>

namespace torvelle::books {

namespace {

TSectionBookParts linksParts() {
  TSectionBookParts p;
  p.page = QStringLiteral("LinksBook");
  p.sections = QStringLiteral("LinkSections");
  p.records = QStringLiteral("Links");
  p.toolBar = QStringLiteral("LinksTB");
  p.linkBox = QStringLiteral("SectionLinkCB");
  p.linkCaption = QStringLiteral("Раздел \\ Линки");
  p.columns = {{QString::fromLatin1(engine::kLinkField), QStringLiteral("Линк")}};
  p.columnWidths = {423};
  p.searchEdits = {{QStringLiteral("LinksEdit"), 255}};
  return p;
}

}  // namespace

TLinksBook::TLinksBook(store::TTableSet& tables, TMoveRecToSectForm& moveForm,
                       platform::TShellOpen& shellOpen, QWidget* parent)
    : TDescribedBook(linksParts(), tables.LinkSectionsTable, tables.LinkSectionsDataSource,
                     tables.LinksTable, tables.LinksDataSource, moveForm,
                     QStringLiteral("LinksDescriptionLabel"), QStringLiteral("Описание:"),
                     QStringLiteral("LinksDBMemo"), parent) {
  shell_ = &shellOpen;
  RecordsDBGrid->setToolTip(QStringLiteral("Double click for linking"));
  RecordsDBGrid->viewport()->installEventFilter(this);
  BookResize();
}

bool TLinksBook::LinksTableFilterRecord(const engine::RecordView& record) {
  if (linkField_ < 0) linkField_ = requiredField(engine::kLinkField);
  if (RecordsFilterRow->ignoreCase())
    return record.foldedText(linkField_).find(foldedPattern(0)) != std::string_view::npos;
  return record.text(linkField_).find(pattern(0)) != std::string_view::npos;
}

void TLinksBook::LinksDBGridDblClick() {
  engine::Table& t = recordsTable();
  if (!t.isOpen() || !t.currentRow()) return;
  handOver(QString::fromStdString(t.fieldText(engine::kLinkField)), HandOverKind::Link);
}

bool TLinksBook::eventFilter(QObject* watched, QEvent* event) {
  // The double-click opens the link rather than an editor in the cell.
  if (watched == RecordsDBGrid->viewport() && event->type() == QEvent::MouseButtonDblClick) {
    // The row under the pointer, even when no press made it current first.
    const QModelIndex at =
        RecordsDBGrid->indexAt(static_cast<QMouseEvent*>(event)->position().toPoint());
    if (at.isValid()) RecordsDBGrid->setCurrentIndex(at);
    LinksDBGridDblClick();
    return true;
  }
  return TDescribedBook::eventFilter(watched, event);
}

void TLinksBook::placeColumns(const SectionBookLayout& l) {
  RecordsDBGrid->setGridColumnWidth(0, l.recordsWidth - 34);
}

}  // namespace torvelle::books
