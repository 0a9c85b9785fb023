#pragma once
#include <QLineEdit>

#include "toolkit/FieldLink.h"

namespace torvelle::toolkit {

// A one-line edit bound to a field of the current record. A text field takes
// every keystroke; a date, time or number field takes the text when the
// edit is left or Enter is pressed, since half-typed values do not parse.
class TDBEdit : public QLineEdit {
  Q_OBJECT
 public:
  explicit TDBEdit(QWidget* parent = nullptr);
  void setDataSource(engine::DataSource* source) { field_.setDataSource(source); }
  void setDataField(const QString& name) { field_.setFieldName(name); }
  TFieldLink& fieldLink() { return field_; }

 private:
  void showField();
  bool isTextField() const;

  TFieldLink field_;
  bool refused_ = false;  // shows typed text the field has not taken
};

}  // namespace torvelle::toolkit
