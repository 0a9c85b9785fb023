#pragma once
#include <QPlainTextEdit>

#include "toolkit/FieldLink.h"

namespace torvelle::toolkit {

// A multi-line edit bound to a memo field; Tab types a tab character.
class TDBMemo : public QPlainTextEdit {
  Q_OBJECT
 public:
  explicit TDBMemo(QWidget* parent = nullptr);
  void setDataSource(engine::DataSource* source) { field_.setDataSource(source); }
  void setDataField(const QString& name) { field_.setFieldName(name); }
  TFieldLink& fieldLink() { return field_; }

 private:
  void showField();

  TFieldLink field_;
  bool showing_ = false;
  bool refused_ = false;  // shows typed text the field has not taken
};

}  // namespace torvelle::toolkit
