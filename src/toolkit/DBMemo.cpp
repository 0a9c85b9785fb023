#include "toolkit/DBMemo.h"

namespace torvelle::toolkit {

TDBMemo::TDBMemo(QWidget* parent) : QPlainTextEdit(parent) {
  setTabChangesFocus(false);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  connect(&field_, &TFieldLink::refresh, this, &TDBMemo::showField);
  connect(this, &QPlainTextEdit::textChanged, this, [this] {
    if (!showing_) field_.writeText(toPlainText());
  });
  showField();
}

void TDBMemo::showField() {
  const QString value = field_.text();
  showing_ = true;
  if (value != toPlainText()) setPlainText(value);
  showing_ = false;
  setReadOnly(!field_.canModify());
}

}  // namespace torvelle::toolkit
