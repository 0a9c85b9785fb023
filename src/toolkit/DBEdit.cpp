#include "toolkit/DBEdit.h"

#include "engine/Table.h"
#include "engine/format/FieldTypes.h"

namespace torvelle::toolkit {

TDBEdit::TDBEdit(QWidget* parent) : QLineEdit(parent) {
  connect(&field_, &TFieldLink::refresh, this, &TDBEdit::showField);
  connect(this, &QLineEdit::textEdited, this, [this](const QString& text) {
    if (isTextField())
      refused_ = !field_.writeText(text);
    else
      field_.startEdit();  // written when left; pending from the first key
  });
  connect(this, &QLineEdit::editingFinished, this, [this] {
    // A date or time that does not parse: the stored one is shown again.
    if (!isTextField() && isModified() && field_.writeText(text(), false)) setModified(false);
  });
  // Before a post: what the edit shows but the record lacks goes in first.
  field_.link().setUpdateRecord([this] {
    if (!field_.hasField()) return;
    if (isTextField() ? refused_ : isModified()) {
      field_.writeTextOrThrow(text());
      refused_ = false;
      setModified(false);
    }
  });
  showField();
}

bool TDBEdit::isTextField() const {
  const engine::Table* t = field_.link().table();
  if (!t || !t->isOpen()) return true;
  const int f = t->fieldIndex(field_.fieldName().toStdString());
  if (f < 0) return true;
  const auto type = t->fields()[static_cast<std::size_t>(f)].type;
  return format::valueKind(type) == format::ValueKind::Text;
}

void TDBEdit::showField() {
  const QString value = field_.text();
  refused_ = false;
  if (value != text()) setText(value);
  setModified(false);
  setReadOnly(!field_.canModify());
  const int limit = field_.maxLength();
  setMaxLength(limit > 0 ? limit : 32767);  // QLineEdit's own default
}

}  // namespace torvelle::toolkit
