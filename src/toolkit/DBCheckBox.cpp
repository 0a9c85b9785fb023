#include "toolkit/DBCheckBox.h"

namespace torvelle::toolkit {

TDBCheckBox::TDBCheckBox(const QString& text, QWidget* parent) : QCheckBox(text, parent) {
  connect(&field_, &TFieldLink::refresh, this, &TDBCheckBox::showField);
  // clicked, not toggled: only the user's change is a write.
  connect(this, &QCheckBox::clicked, this, [this](bool checked) { field_.writeBool(checked); });
  showField();
}

void TDBCheckBox::showField() {
  const QSignalBlocker quiet(this);
  setChecked(field_.boolValue());
  setEnabled(field_.canModify());
}

}  // namespace torvelle::toolkit
