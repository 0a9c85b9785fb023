#include "toolkit/DBMemo.h"

namespace torvelle::toolkit {

TDBMemo::TDBMemo(QWidget* parent) : QPlainTextEdit(parent) {
  setTabChangesFocus(false);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  connect(&field_, &TFieldLink::refresh, this, &TDBMemo::showField);
  // Text a refused keystroke left behind is tried once more before a post.
  field_.link().setUpdateRecord([this] {
    if (field_.hasField() && toPlainText() != field_.text()) field_.writeTextOrThrow(toPlainText());
  });
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
