#include "toolkit/FilterRow.h"

#include <QApplication>
#include <QResizeEvent>

namespace torvelle::toolkit {

namespace {
constexpr int kCaseWidth = 16;
constexpr int kFilterWidth = 19;
}  // namespace

TFilterRow::TFilterRow(const QString& caseButtonName, const QString& filterButtonName,
                       QWidget* parent)
    : QWidget(parent), CaseButton(new QToolButton(this)), FilterButton(new QToolButton(this)) {
  CaseButton->setObjectName(caseButtonName);
  CaseButton->setText(QStringLiteral("Р"));
  CaseButton->setToolTip(QStringLiteral("Ignoring register"));
  CaseButton->setCheckable(true);
  CaseButton->setEnabled(false);
  FilterButton->setObjectName(filterButtonName);
  FilterButton->setText(QStringLiteral("Ф"));
  FilterButton->setToolTip(QStringLiteral("Filter"));
  FilterButton->setCheckable(true);
  // The row's own reaction first, so the page's handler sees it done.
  connect(FilterButton, &QToolButton::clicked, this, [this] {
    follow(isOn());
    emit switched(isOn());
  });
  connect(CaseButton, &QToolButton::clicked, this, &TFilterRow::changed);
}

QLineEdit* TFilterRow::addEdit(const QString& name, int maxLength, int fixedWidth) {
  auto* edit = new QLineEdit(this);
  edit->setObjectName(name);
  edit->setMaxLength(maxLength);
  edits_.push_back(edit);
  fixedWidths_.push_back(fixedWidth);
  connect(edit, &QLineEdit::textChanged, this, &TFilterRow::changed);
  follow(isOn());
  placeControls();
  return edit;
}

void TFilterRow::setFixedEditWidth(int edit, int width) {
  fixedWidths_[edit] = width;
  placeControls();
}

void TFilterRow::follow(bool on) {
  CaseButton->setEnabled(on);
  const QPalette app = QApplication::palette();
  const QColor base = app.color(QPalette::Active, on ? QPalette::Base : QPalette::Button);
  for (QLineEdit* e : edits_) {
    e->setEnabled(on);
    QPalette p = e->palette();
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
      p.setColor(group, QPalette::Base, base);
    e->setPalette(p);
  }
}

void TFilterRow::setAutoLayout(bool on) {
  autoLayout_ = on;
  placeControls();
}

void TFilterRow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  placeControls();
}

void TFilterRow::placeControls() {
  if (!autoLayout_) return;
  const int h = height();
  CaseButton->setGeometry(0, 0, kCaseWidth, h);
  FilterButton->setGeometry(width() - kFilterWidth, 0, kFilterWidth, h);
  // Fixed-width edits from the right, one pixel apart; the first takes the rest.
  int right = width() - kFilterWidth - 1;
  for (qsizetype i = edits_.size() - 1; i > 0; --i) {
    const int w = fixedWidths_[i];
    edits_[i]->setGeometry(right - w, 0, w, h);
    right -= w + 1;
  }
  if (!edits_.isEmpty())
    edits_.front()->setGeometry(kCaseWidth, 0, std::max(0, right - kCaseWidth), h);
}

}  // namespace torvelle::toolkit
