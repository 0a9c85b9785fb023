#include "books/PhonesBook.h"

#include <QEvent>

namespace torvelle::books {

namespace {

constexpr int kFieldHeight = 20;
constexpr int kFieldRowStep = 22;
constexpr int kFirstRowFromBottom = 118;  // 265 on the 383 design height
// Fields 1 to 11 follow Section; Section itself is never searched.
constexpr int kFirstSearched = 1;
constexpr int kLastSearched = 11;

TSectionBookParts phonesParts() {
  TSectionBookParts p;
  p.page = QStringLiteral("PhonesBook");
  p.sections = QStringLiteral("PhoneSections");
  p.records = QStringLiteral("Phones");
  p.toolBar = QStringLiteral("PhonesTB");
  p.linkBox = QStringLiteral("SectionPhoneCB");
  p.linkCaption = QStringLiteral("Раздел \\ Реквизиты");
  p.columns = {{QStringLiteral("Name"), QStringLiteral("Имя")},
               {QStringLiteral("HomePhone"), QStringLiteral("Домашний тел.")},
               {QStringLiteral("WorkPhone"), QStringLiteral("Рабочий тел.")}};
  p.columnWidths = {251, 85, 85};
  p.searchEdits = {{QStringLiteral("PhonesEdit"), 50}};
  return p;
}

}  // namespace

TPhonesBook::TPhonesBook(store::TTableSet& tables, TMoveRecToSectForm& moveForm,
                         platform::TShellOpen& shellOpen, QWidget* parent)
    : TSectionBook(phonesParts(), tables.PhoneSectionsTable, tables.PhoneSectionsDataSource,
                   tables.PhonesTable, tables.PhonesDataSource, moveForm, parent) {
  shell_ = &shellOpen;
  RecordsFilterRow->edits().front()->setToolTip(QStringLiteral("Find info at all fields"));
  const auto edit = [&](const char* name, const char* field) {
    auto* e = new toolkit::TDBEdit(this);
    e->setObjectName(QString::fromLatin1(name));
    e->setDataSource(&tables.PhonesDataSource);
    e->setDataField(QString::fromLatin1(field));
    return e;
  };
  const auto label = [&](const char* name, const QString& text) {
    auto* l = new QLabel(text, this);
    l->setObjectName(QString::fromLatin1(name));
    return l;
  };
  CountryDBEdit = edit("CountryDBEdit", "Country");
  ZipDBEdit = edit("ZipDBEdit", "ZipCode");
  CityDBEdit = edit("CityDBEdit", "City");
  StreetDBEdit = edit("StreetDBEdit", "Street");
  CellularDBEdit = edit("CellularDBEdit", "Cellular");
  ICQDBEdit = edit("ICQDBEdit", "ICQ");
  EmailDBEdit = edit("EmailDBEdit", "Email");
  WebSiteDBEdit = edit("WebSiteDBEdit", "WebSite");
  CountryLabel = label("CountryLabel", QStringLiteral("Страна"));
  ZipLabel = label("ZipLabel", QStringLiteral("Индекс"));
  CityLabel = label("CityLabel", QStringLiteral("Город"));
  StreetLabel = label("StreetLabel", QStringLiteral("Улица"));
  CellularLabel = label("CellularLabel", QStringLiteral("Сотовый"));
  ICQLabel = label("ICQLabel", QStringLiteral("ICQ"));
  EmailLabel = label("EmailLabel", QStringLiteral("E-mail"));
  WebSiteLabel = label("WebSiteLabel", QStringLiteral("WebSite"));
  EmailDBEdit->setToolTip(QStringLiteral("Double click for send the letter"));
  WebSiteDBEdit->setToolTip(QStringLiteral("Double click for linking"));
  for (QWidget* w : {static_cast<QWidget*>(EmailDBEdit), static_cast<QWidget*>(WebSiteDBEdit)})
    w->installEventFilter(this);
  // The folded texts are made when the filter is switched on rather than at
  // the first letter typed, which would otherwise wait for all of them.
  connect(RecordsFilterRow, &toolkit::TFilterRow::switched, this, [this](bool on) {
    if (on && recordsTable_.isOpen())
      recordsTable_.forEachStored([](const engine::RecordView& record) {
        if (record.fieldCount() > kLastSearched) record.foldedTexts(kFirstSearched, kLastSearched);
      });
  });
  bindHandler(QStringLiteral("EmailDBEditDblClick"), [this] { EmailDBEditDblClick(); });
  bindHandler(QStringLiteral("WebSiteDBEditDblClick"), [this] { WebSiteDBEditDblClick(); });
  BookResize();
}

std::array<toolkit::TDBEdit*, 4> TPhonesBook::leftColumn() const {
  return {CountryDBEdit, ZipDBEdit, CityDBEdit, StreetDBEdit};
}
std::array<toolkit::TDBEdit*, 4> TPhonesBook::rightColumn() const {
  return {CellularDBEdit, ICQDBEdit, EmailDBEdit, WebSiteDBEdit};
}
std::array<QLabel*, 4> TPhonesBook::leftLabels() const {
  return {CountryLabel, ZipLabel, CityLabel, StreetLabel};
}
std::array<QLabel*, 4> TPhonesBook::rightLabels() const {
  return {CellularLabel, ICQLabel, EmailLabel, WebSiteLabel};
}

bool TPhonesBook::PhonesTableFilterRecord(const engine::RecordView& record) {
  const std::string& typed = pattern(0);
  if (typed.empty()) return true;
  // The folded fields are kept with the record, NUL-separated: one search
  // covers all eleven and cannot match across two of them.
  const bool foldedHit = record.foldedTexts(kFirstSearched, kLastSearched).find(foldedPattern(0)) !=
                         std::string_view::npos;
  // Folding maps each character on its own, so a text that holds the
  // pattern holds it folded too: the one search rules out most records,
  // and only the rest are searched field by field with letter case kept.
  if (RecordsFilterRow->ignoreCase() || !foldedHit) return foldedHit;
  for (int f = kFirstSearched; f <= kLastSearched && f < record.fieldCount(); ++f)
    if (record.text(f).find(typed) != std::string_view::npos) return true;
  return false;
}

void TPhonesBook::EmailDBEditDblClick() {
  handOver(EmailDBEdit->text(), HandOverKind::Mail);
}

void TPhonesBook::WebSiteDBEditDblClick() {
  handOver(WebSiteDBEdit->text(), HandOverKind::Web);
}

bool TPhonesBook::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonDblClick) {
    if (watched == EmailDBEdit) handler(QStringLiteral("EmailDBEditDblClick"));
    if (watched == WebSiteDBEdit) handler(QStringLiteral("WebSiteDBEditDblClick"));
  }
  return TSectionBook::eventFilter(watched, event);
}

void TPhonesBook::placeColumns(const SectionBookLayout& l) {
  const PhoneColumns c = phoneColumns(l.recordsWidth);
  RecordsDBGrid->setGridColumnWidth(0, c.name);
  RecordsDBGrid->setGridColumnWidth(1, c.homePhone);
  RecordsDBGrid->setGridColumnWidth(2, c.workPhone);
}

void TPhonesBook::placeRecordsArea(const SectionBookLayout& l, int pageHeight) {
  if (!CountryDBEdit) return;  // still being built
  const int e = phoneFieldWidth(l.recordsWidth);
  const int rightLeft = width() - e;
  const auto left = leftColumn();
  const auto right = rightColumn();
  const auto leftL = leftLabels();
  const auto rightL = rightLabels();
  for (std::size_t i = 0; i < 4; ++i) {
    const int top = pageHeight - kFirstRowFromBottom + static_cast<int>(i) * kFieldRowStep;
    right[i]->setGeometry(rightLeft, top, e, kFieldHeight);
    rightL[i]->setGeometry(rightLeft - 49, top + 2, 48, kFieldHeight - 2);
    left[i]->setGeometry(l.pane + 58, top, e, kFieldHeight);
    leftL[i]->setGeometry(l.pane + 10, top + 2, 47, kFieldHeight - 2);
  }
}

}  // namespace torvelle::books
