#include "toolkit/DBMemo.h"

namespace torvelle::toolkit {

TDBMemo::TDBMemo(QWidget* parent) : QPlainTextEdit(parent) {
  setTabChangesFocus(false);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  connect(&field_, &TFieldLink::refresh, this, &TDBMemo::showField);
  // Text a refused keystroke left behind is tried once more before a post.
  field_.link().setUpdateRecord([this] {
    if (!refused_ || !field_.hasField()) return;
    field_.writeTextOrThrow(toPlainText());
    refused_ = false;
  });
  connect(this, &QPlainTextEdit::textChanged, this, [this] {
    if (!showing_) refused_ = !field_.writeText(toPlainText());
  });
  showField();
}

void TDBMemo::showField() {
  const QString value = field_.text();
  refused_ = false;
  showing_ = true;
  if (value != toPlainText()) setPlainText(value);
  showing_ = false;
  setReadOnly(!field_.canModify());
}

}  // namespace torvelle::toolkit
