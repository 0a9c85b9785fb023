#include "books/RepeatDlg.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>

#include "recurrence/Expansion.h"
#include "toolkit/EngineDates.h"

namespace torvelle::books {

using recurrence::EndKind;
using recurrence::MonthlyBy;
using recurrence::Preset;

namespace {

constexpr int kPreviewCount = 5;

QStringList padded(QStringList list, int count) {
  while (list.size() < count) list.append(QString());
  return list;
}

}  // namespace

QStringList TRepeatDlg::items(const QString& list) const {
  return list.split(QLatin1Char('|'));
}

TRepeatDlg::TRepeatDlg(const TRepeatTexts& texts, QWidget* parent)
    : QDialog(parent), texts_(texts) {
  setObjectName(QStringLiteral("RepeatDlg"));
  setWindowTitle(texts.EditorCaption);
  auto* layout = new QVBoxLayout(this);
  PresetCB = new QComboBox(this);
  PresetCB->setObjectName(QStringLiteral("PresetCB"));
  PresetCB->addItems(padded(items(texts.Presets), 6).mid(0, 6));
  layout->addWidget(PresetCB);

  auto* every = new QHBoxLayout;
  every->addWidget(new QLabel(texts.Every, this));
  IntervalSE = new QSpinBox(this);
  IntervalSE->setObjectName(QStringLiteral("IntervalSE"));
  IntervalSE->setRange(1, 999);
  every->addWidget(IntervalSE);
  UnitsLabel = new QLabel(this);
  every->addWidget(UnitsLabel, 1);
  layout->addLayout(every);

  auto* days = new QHBoxLayout;
  const QStringList dayNames = padded(items(texts.WeekDays), 7);
  for (std::size_t i = 0; i < WeekDaySB.size(); ++i) {
    auto* b = new QToolButton(this);
    b->setObjectName(QStringLiteral("WeekDaySB%1").arg(i));
    b->setText(dayNames[static_cast<int>(i)]);
    b->setCheckable(true);
    days->addWidget(b);
    WeekDaySB[i] = b;
    connect(b, &QToolButton::toggled, this, &TRepeatDlg::controlsChanged);
  }
  layout->addLayout(days);

  ByDayRB = new QRadioButton(this);
  ByDayRB->setObjectName(QStringLiteral("ByDayRB"));
  LastDayRB = new QRadioButton(this);
  LastDayRB->setObjectName(QStringLiteral("LastDayRB"));
  NthWeekdayRB = new QRadioButton(this);
  NthWeekdayRB->setObjectName(QStringLiteral("NthWeekdayRB"));
  auto* monthly = new QButtonGroup(this);
  for (QRadioButton* b : {ByDayRB, LastDayRB, NthWeekdayRB}) {
    monthly->addButton(b);
    layout->addWidget(b);
    connect(b, &QRadioButton::toggled, this, &TRepeatDlg::controlsChanged);
  }
  ByDayRB->setChecked(true);

  auto* end = new QHBoxLayout;
  EndCB = new QComboBox(this);
  EndCB->setObjectName(QStringLiteral("EndCB"));
  EndCB->addItems(padded(items(texts.Ends), 3).mid(0, 3));
  end->addWidget(EndCB);
  UntilDE = new QDateEdit(this);
  UntilDE->setObjectName(QStringLiteral("UntilDE"));
  UntilDE->setCalendarPopup(true);
  UntilDE->setDisplayFormat(toolkit::shortDateFormat());
  end->addWidget(UntilDE);
  CountSE = new QSpinBox(this);
  CountSE->setObjectName(QStringLiteral("CountSE"));
  CountSE->setRange(1, 9999);
  end->addWidget(CountSE);
  end->addWidget(new QLabel(texts.Times, this), 1);
  layout->addLayout(end);

  PreviewLabel = new QLabel(this);
  PreviewLabel->setObjectName(QStringLiteral("PreviewLabel"));
  layout->addWidget(PreviewLabel);
  NoteLabel = new QLabel(this);
  NoteLabel->setObjectName(QStringLiteral("NoteLabel"));
  NoteLabel->setWordWrap(true);
  layout->addWidget(NoteLabel);
  Buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  Buttons->button(QDialogButtonBox::Ok)->setText(texts.OkButton);
  Buttons->button(QDialogButtonBox::Cancel)->setText(texts.CancelButton);
  layout->addWidget(Buttons);
  connect(Buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(Buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  connect(PresetCB, &QComboBox::currentIndexChanged, this, &TRepeatDlg::controlsChanged);
  connect(IntervalSE, &QSpinBox::valueChanged, this, &TRepeatDlg::controlsChanged);
  connect(EndCB, &QComboBox::currentIndexChanged, this, &TRepeatDlg::controlsChanged);
  connect(UntilDE, &QDateEdit::dateChanged, this, &TRepeatDlg::controlsChanged);
  connect(CountSE, &QSpinBox::valueChanged, this, &TRepeatDlg::controlsChanged);
}

void TRepeatDlg::setSeries(format::Date start, const std::string& rule,
                           const recurrence::RepeatSet& exceptions, format::Date today) {
  start_ = start;
  today_ = today;
  givenRule_ = rule;
  exceptions_ = exceptions;
  const auto parsed = recurrence::formOf(rule);
  readOnly_ = !parsed;
  const QDate first = toolkit::toQDate(start);
  const QStringList ordinals = padded(items(texts_.Ordinals), 5);
  const int nth = first.day() > 28 ? 4 : (first.day() - 1) / 7;
  ByDayRB->setText(items(texts_.MonthlyBy).value(0).arg(first.day()));
  LastDayRB->setText(items(texts_.MonthlyBy).value(1));
  NthWeekdayRB->setText(
      items(texts_.MonthlyBy).value(2).arg(ordinals[nth], QLocale().dayName(first.dayOfWeek())));
  recurrence::RuleForm form = parsed.value_or(recurrence::RuleForm{});
  if (form.end != EndKind::Until) form.until = format::Date{start.day + 365};
  showForm(form);
  for (QWidget* w : std::initializer_list<QWidget*>{PresetCB, IntervalSE, ByDayRB, LastDayRB,
                                                    NthWeekdayRB, EndCB, UntilDE, CountSE})
    w->setEnabled(!readOnly_);
  for (QToolButton* b : WeekDaySB) b->setEnabled(!readOnly_);
  controlsChanged();
}

void TRepeatDlg::showForm(const recurrence::RuleForm& form) {
  showing_ = true;
  PresetCB->setCurrentIndex(static_cast<int>(form.preset));
  IntervalSE->setValue(form.interval);
  for (std::size_t i = 0; i < WeekDaySB.size(); ++i) WeekDaySB[i]->setChecked(form.weekdays[i]);
  ByDayRB->setChecked(form.monthly == MonthlyBy::DayOfMonth);
  LastDayRB->setChecked(form.monthly == MonthlyBy::LastDay);
  NthWeekdayRB->setChecked(form.monthly == MonthlyBy::NthWeekday);
  EndCB->setCurrentIndex(static_cast<int>(form.end));
  UntilDE->setDate(toolkit::toQDate(form.until));
  CountSE->setValue(form.count);
  showing_ = false;
}

recurrence::RuleForm TRepeatDlg::form() const {
  recurrence::RuleForm form;
  form.preset = static_cast<Preset>(PresetCB->currentIndex());
  form.interval = IntervalSE->value();
  for (std::size_t i = 0; i < WeekDaySB.size(); ++i) form.weekdays[i] = WeekDaySB[i]->isChecked();
  form.monthly = LastDayRB->isChecked()      ? MonthlyBy::LastDay
                 : NthWeekdayRB->isChecked() ? MonthlyBy::NthWeekday
                                             : MonthlyBy::DayOfMonth;
  form.end = static_cast<EndKind>(EndCB->currentIndex());
  form.until = toolkit::fromQDate(UntilDE->date());
  form.count = CountSE->value();
  return form;
}

std::string TRepeatDlg::rule() const {
  return readOnly_ ? givenRule_ : recurrence::canonicalRule(recurrence::ruleText(form(), start_));
}

void TRepeatDlg::controlsChanged() {
  if (showing_) return;
  const auto f = form();
  const bool repeats = f.preset != Preset::None;
  IntervalSE->setVisible(repeats && f.preset != Preset::Weekdays);
  const QStringList units = padded(items(texts_.Units), 4);
  const int unit = f.preset == Preset::Daily     ? 0
                   : f.preset == Preset::Monthly ? 2
                   : f.preset == Preset::Yearly  ? 3
                                                 : 1;
  UnitsLabel->setText(repeats && f.preset != Preset::Weekdays ? units[unit] : QString());
  for (QToolButton* b : WeekDaySB) b->setVisible(f.preset == Preset::Weekly);
  for (QRadioButton* b : {ByDayRB, LastDayRB, NthWeekdayRB})
    b->setVisible(f.preset == Preset::Monthly);
  EndCB->setVisible(repeats);
  UntilDE->setVisible(repeats && f.end == EndKind::Until);
  CountSE->setVisible(repeats && f.end == EndKind::Count);
  updatePreview();
}

void TRepeatDlg::updatePreview() {
  recurrence::RepeatSet set = exceptions_;
  set.rule = rule();
  QStringList lines{texts_.Preview};
  const QString format = toolkit::shortDateFormat();
  const format::Date from{std::max(start_.day, today_.day)};
  const auto e = recurrence::expand(set, start_, std::nullopt, from, format::Date{from.day + 3660});
  for (std::size_t i = 0; i < e.occurrences.size() && i < kPreviewCount; ++i)
    lines.append(QLocale().toString(toolkit::toQDate(e.occurrences[i].date), format));
  if (set.repeats() && e.occurrences.size() < kPreviewCount) lines.append(texts_.NoMore);
  PreviewLabel->setText(lines.join(QLatin1Char('\n')));
  QString note;
  if (readOnly_) note = texts_.ReadOnlyRule;
  if (recurrence::ruleState(set.rule) == recurrence::RuleState::TooDense) note = texts_.TooDense;
  NoteLabel->setText(note);
  NoteLabel->setVisible(!note.isEmpty());
}

}  // namespace torvelle::books
