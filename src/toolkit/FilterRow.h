#pragma once
#include <QLineEdit>
#include <QToolButton>
#include <QVector>
#include <QWidget>

namespace torvelle::toolkit {

// The filter controls above a grid: a case button ("Р", pressed ignores
// letter case), one or more search edits and a filter button ("Ф"). While
// the filter button is released the case button and the edits are disabled
// and wear the button-face colour; texts and the case state survive
// switching off and on. The page decides what filtering means.
class TFilterRow : public QWidget {
  Q_OBJECT
 public:
  TFilterRow(const QString& caseButtonName, const QString& filterButtonName,
             QWidget* parent = nullptr);

  // Adds the next edit. With `autoWidth` 0 the edit takes the room the
  // others leave; otherwise it keeps that width, right-aligned before the
  // filter button. Placement is automatic only after setAutoLayout(true).
  QLineEdit* addEdit(const QString& name, int maxLength, int fixedWidth = 0);
  const QVector<QLineEdit*>& edits() const { return edits_; }
  // A fixed-width edit follows its column when the column is measured.
  void setFixedEditWidth(int edit, int width);
  QString text(int edit = 0) const { return edits_.value(edit)->text(); }

  bool isOn() const { return FilterButton->isChecked(); }
  bool ignoreCase() const { return CaseButton->isChecked(); }

  // The case button at the left, the filter button at the right, the edits
  // between; the tasks page places its own.
  void setAutoLayout(bool on);

  QToolButton* CaseButton;
  QToolButton* FilterButton;

 signals:
  // The filter button changed; the case button and edits already follow it.
  void switched(bool on);
  // The case button was clicked or a search text changed.
  void changed();

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void follow(bool on);
  void placeControls();

  QVector<QLineEdit*> edits_;
  QVector<int> fixedWidths_;
  bool autoLayout_ = false;
};

}  // namespace torvelle::toolkit
