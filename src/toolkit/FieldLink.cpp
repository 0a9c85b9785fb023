#include "toolkit/FieldLink.h"

#include "toolkit/ErrorBox.h"

namespace torvelle::toolkit {

TFieldLink::TFieldLink(QObject* parent) : QObject(parent) {
  const auto again = [this] {
    if (writing_) return;
    lastRefusal_.clear();
    emit refresh();
  };
  connect(&link_, &TDataLink::dataReset, this, again);
  connect(&link_, &TDataLink::recordMoved, this, again);
  connect(&link_, &TDataLink::dataStateChanged, this, again);
  connect(&link_, &TDataLink::dataRowChanged, this, [this, again](int row) {
    const engine::Table* t = link_.table();
    if (t && t->currentRow() == static_cast<std::size_t>(row)) again();
  });
  connect(&link_, &TDataLink::dataFieldChanged, this, &TFieldLink::fieldChanged);
}

void TFieldLink::setDataSource(engine::DataSource* source) {
  link_.setDataSource(source);
}

void TFieldLink::setFieldName(const QString& name) {
  fieldName_ = name;
  emit refresh();
}

int TFieldLink::fieldIndex() const {
  const engine::Table* t = link_.table();
  return t && t->isOpen() ? t->fieldIndex(fieldName_.toStdString()) : -1;
}

void TFieldLink::fieldChanged(int field) {
  if (!writing_ && field == fieldIndex()) emit refresh();
}

bool TFieldLink::hasField() const {
  const engine::Table* t = link_.table();
  return fieldIndex() >= 0 && (t->currentRow() || link_.editing());
}

bool TFieldLink::canModify() const {
  return link_.canModify() && fieldIndex() >= 0;
}

QString TFieldLink::text() const {
  if (!hasField()) return {};
  const std::string_view s = link_.table()->current().text(fieldIndex());
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

bool TFieldLink::boolValue() const {
  if (!hasField()) return false;
  const auto& v = link_.table()->current().value(fieldIndex());
  const bool* b = std::get_if<bool>(&v);
  return b && *b;
}

bool TFieldLink::write(const std::function<void(engine::Table&)>& set, bool keepTyped) {
  engine::Table* t = link_.table();
  if (!canModify()) return false;
  writing_ = true;
  QString refusal;
  try {
    if (!link_.editing()) t->edit();
    set(*t);
  } catch (...) {
    refusal = ErrorBox::messageOf(std::current_exception());
  }
  writing_ = false;
  if (refusal.isEmpty()) {
    lastRefusal_.clear();
    return true;
  }
  // Each further keystroke would meet the same refusal: say it once.
  if (!keepTyped || refusal != lastRefusal_) ErrorBox::report(refusal);
  lastRefusal_ = refusal;
  if (!keepTyped) emit refresh();
  return false;
}

bool TFieldLink::writeText(const QString& text, bool keepTyped) {
  const std::string name = fieldName_.toStdString();
  return write([&](engine::Table& t) { t.setFieldText(name, text.toStdString()); }, keepTyped);
}

bool TFieldLink::writeBool(bool value) {
  const std::string name = fieldName_.toStdString();
  return write([&](engine::Table& t) { t.setField(name, format::Value(value)); }, false);
}

void TFieldLink::writeTextOrThrow(const QString& text) {
  engine::Table* t = link_.table();
  if (!canModify() || !link_.editing()) return;
  writing_ = true;
  try {
    t->setFieldText(fieldName_.toStdString(), text.toStdString());
  } catch (...) {
    writing_ = false;
    throw;
  }
  writing_ = false;
  lastRefusal_.clear();
}

void TFieldLink::startEdit() {
  engine::Table* t = link_.table();
  if (!canModify() || link_.editing()) return;
  writing_ = true;
  ErrorBox::guard([&] { t->edit(); });
  writing_ = false;
}

int TFieldLink::maxLength() const {
  const engine::Table* t = link_.table();
  const int f = fieldIndex();
  if (f < 0) return 0;
  const format::FieldDef& def = t->fields()[static_cast<std::size_t>(f)];
  // Single-byte code pages: one character is one byte of the field.
  return def.type == format::FieldType::Alpha ? def.size : 0;
}

}  // namespace torvelle::toolkit
