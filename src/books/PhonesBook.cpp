#include "books/PhonesBook.h"

#include <QEvent>
#include <QHeaderView>
#include <QStyle>

#include <algorithm>
#include <string_view>

#include "engine/FieldNames.h"
#include "support/TextMatch.h"

namespace torvelle::books {

namespace {

constexpr int kFieldHeight = 20;
constexpr int kFieldRowStep = 22;
constexpr int kFirstRowFromBottom = 118;  // 265 on the 383 design height
// Fields 1 to 11 follow Section; Section itself is never searched.
constexpr int kFirstSearched = 1;
constexpr int kLastSearched = 11;
constexpr int kLeftLabelWidth = 47;
constexpr int kRightLabelWidth = 48;
// Room kept between a label's text, or a column title, and what follows.
constexpr int kTextGap = 4;

// The designed width, or what the longest of the labels needs in their font.
int labelsWidth(const std::array<QLabel*, 4>& labels, int designed) {
  int width = designed;
  for (const QLabel* l : labels)
    width = std::max(width, l->fontMetrics().horizontalAdvance(l->text()) + kTextGap);
  return width;
}

TSectionBookParts phonesParts() {
  TSectionBookParts p;
  p.page = QStringLiteral("PhonesBook");
  p.sections = QStringLiteral("PhoneSections");
  p.records = QStringLiteral("Phones");
  p.toolBar = QStringLiteral("PhonesTB");
  p.linkBox = QStringLiteral("SectionPhoneCB");
  p.linkCaption = QStringLiteral("Раздел \\ Реквизиты");
  p.columns = {{QString::fromLatin1(engine::kNameField), QStringLiteral("Имя")},
               {QString::fromLatin1(engine::kHomePhoneField), QStringLiteral("Домашний тел.")},
               {QString::fromLatin1(engine::kWorkPhoneField), QStringLiteral("Рабочий тел.")}};
  p.columnWidths = {251, 85, 85};
  p.searchEdits = {{QStringLiteral("PhonesEdit"), 50}};
  return p;
}

// True when no fold changes a character of `pattern` or yields one: ASCII
// that is no letter. Such a pattern is in a text exactly when it is in the
// text folded.
bool foldsToItself(std::string_view pattern) {
  return std::none_of(pattern.begin(), pattern.end(), [](char c) {
    const auto b = static_cast<unsigned char>(c);
    return b >= 0x80 || (b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z');
  });
}

// Whether a searched field holds `typed` as written, given the first hit of
// its fold in the folded fields. The designed fold keeps every text's length,
// so a hit lies at the same place in its field's own text: only the hits are
// compared, not every field searched again.
bool holdsAsTyped(const engine::RecordView& record, std::string_view folded,
                  std::string_view foldedTyped, std::string_view typed, std::size_t at) {
  std::size_t start = 0;
  for (int f = kFirstSearched; f <= kLastSearched && at != std::string_view::npos; ++f) {
    const std::string_view text = record.text(f);
    const std::size_t end = start + text.size();
    for (; at < end; at = support::findBytes(folded, foldedTyped, at + 1))
      if (text.substr(at - start, typed.size()) == typed) return true;
    start = end + 1;  // past the NUL
  }
  return false;
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
  CountryDBEdit = edit("CountryDBEdit", engine::kCountryField);
  ZipDBEdit = edit("ZipDBEdit", engine::kZipCodeField);
  CityDBEdit = edit("CityDBEdit", engine::kCityField);
  StreetDBEdit = edit("StreetDBEdit", engine::kStreetField);
  CellularDBEdit = edit("CellularDBEdit", engine::kCellularField);
  ICQDBEdit = edit("ICQDBEdit", engine::kIcqField);
  EmailDBEdit = edit("EmailDBEdit", engine::kEmailField);
  WebSiteDBEdit = edit("WebSiteDBEdit", engine::kWebSiteField);
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
  const std::string_view folded = record.foldedTexts(kFirstSearched, kLastSearched);
  const std::string& foldedTyped = foldedPattern(0);
  const std::size_t at = support::findBytes(folded, foldedTyped);
  // Folding maps each character on its own, so a text that holds the
  // pattern holds it folded too: the one search rules out most records,
  // and only the rest are looked at with letter case kept.
  if (at == std::string_view::npos) return false;
  if (RecordsFilterRow->ignoreCase() || foldsToItself(typed)) return true;
  if (recordsTable_.caseFold().designed())
    return holdsAsTyped(record, folded, foldedTyped, typed, at);
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
    if (watched == EmailDBEdit) EmailDBEditDblClick();
    if (watched == WebSiteDBEdit) WebSiteDBEditDblClick();
  }
  return TSectionBook::eventFilter(watched, event);
}

int TPhonesBook::titleWidth(int column) const {
  const QHeaderView* header = RecordsDBGrid->horizontalHeader();
  const QString title = RecordsDBGrid->model()->headerData(column, Qt::Horizontal).toString();
  const int margin = header->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
  return header->fontMetrics().horizontalAdvance(title) + 2 * margin + kTextGap;
}

void TPhonesBook::placeColumns(const SectionBookLayout& l) {
  // A phone column is never narrower than its title; the name gives way.
  const PhoneColumns c = phoneColumns(l.recordsWidth);
  const int home = std::max(c.homePhone, titleWidth(1));
  const int work = std::max(c.workPhone, titleWidth(2));
  RecordsDBGrid->setGridColumnWidth(0, c.name - (home - c.homePhone) - (work - c.workPhone));
  RecordsDBGrid->setGridColumnWidth(1, home);
  RecordsDBGrid->setGridColumnWidth(2, work);
}

void TPhonesBook::placeRecordsArea(const SectionBookLayout& l, int pageHeight) {
  if (!CountryDBEdit) return;  // still being built
  const auto left = leftColumn();
  const auto right = rightColumn();
  const auto leftL = leftLabels();
  const auto rightL = rightLabels();
  // Labels longer than the design's take their room from both edits alike.
  const int leftW = labelsWidth(leftL, kLeftLabelWidth);
  const int rightW = labelsWidth(rightL, kRightLabelWidth);
  const int wider = leftW - kLeftLabelWidth + rightW - kRightLabelWidth;
  const int e = std::max(0, phoneFieldWidth(l.recordsWidth) - (wider + 1) / 2);
  const int rightLeft = width() - e;
  for (std::size_t i = 0; i < 4; ++i) {
    const int top = pageHeight - kFirstRowFromBottom + static_cast<int>(i) * kFieldRowStep;
    right[i]->setGeometry(rightLeft, top, e, kFieldHeight);
    rightL[i]->setGeometry(rightLeft - rightW - 1, top + 2, rightW, kFieldHeight - 2);
    left[i]->setGeometry(l.pane + 11 + leftW, top, e, kFieldHeight);
    leftL[i]->setGeometry(l.pane + 10, top + 2, leftW, kFieldHeight - 2);
  }
}

}  // namespace torvelle::books
