#pragma once
#include <QButtonGroup>
#include <QComboBox>
#include <QDateEdit>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QRadioButton>
#include <QSpinBox>
#include <QToolButton>
#include <array>
#include <string>

#include "books/RepeatTexts.h"
#include "recurrence/RepeatSet.h"
#include "recurrence/RuleForm.h"

namespace torvelle::books {

// The repeat editor of a task or an important date: a preset, every N,
// the week-days, the monthly kind, the end, and the next five dates. A rule
// the editor cannot say is shown read-only and kept as it is.
class TRepeatDlg : public QDialog {
  Q_OBJECT
 public:
  explicit TRepeatDlg(const TRepeatTexts& texts, QWidget* parent = nullptr);

  // The series: its first day, its rule and exceptions, and the day the
  // preview starts from (today, or the first day when that is later).
  void setSeries(format::Date start, const std::string& rule,
                 const recurrence::RepeatSet& exceptions, format::Date today);
  // The rule as the controls say it (the one given, when read-only).
  std::string rule() const;
  bool readOnly() const { return readOnly_; }

  QComboBox* PresetCB;
  QSpinBox* IntervalSE;
  QLabel* UnitsLabel;
  std::array<QToolButton*, 7> WeekDaySB{};
  QRadioButton* ByDayRB;
  QRadioButton* LastDayRB;
  QRadioButton* NthWeekdayRB;
  QComboBox* EndCB;
  QDateEdit* UntilDE;
  QSpinBox* CountSE;
  QLabel* PreviewLabel;
  QLabel* NoteLabel;
  QDialogButtonBox* Buttons;

 private:
  recurrence::RuleForm form() const;
  void showForm(const recurrence::RuleForm& form);
  void controlsChanged();
  void updatePreview();
  QStringList items(const QString& list) const;

  const TRepeatTexts& texts_;
  format::Date start_;
  format::Date today_;
  std::string givenRule_;
  recurrence::RepeatSet exceptions_;
  bool readOnly_ = false;
  bool showing_ = false;
};

}  // namespace torvelle::books
