#pragma once
#include <QDialog>
#include <QListWidget>
#include <QPushButton>

namespace torvelle::books {

// The dialog that asks for the section to move records to. Created once at
// start-up; the page fills the list before each showing.
class TMoveRecToSectForm : public QDialog {
  Q_OBJECT
 public:
  explicit TMoveRecToSectForm(QWidget* parent = nullptr);

  // Fills the list and selects its first entry; OK is offered only when
  // there is something to choose.
  void setSections(const QStringList& sections);
  // The chosen entry, empty when none is selected.
  QString chosenSection() const;

  QListWidget* ListBox;
  QPushButton* OKButton;
  QPushButton* CancelButton;
};

}  // namespace torvelle::books
