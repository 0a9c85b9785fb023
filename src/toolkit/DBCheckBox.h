#pragma once
#include <QCheckBox>

#include "toolkit/FieldLink.h"

namespace torvelle::toolkit {

// A check box bound to a logical field: checked stores true, cleared false.
class TDBCheckBox : public QCheckBox {
  Q_OBJECT
 public:
  explicit TDBCheckBox(const QString& text = {}, QWidget* parent = nullptr);
  void setDataSource(engine::DataSource* source) { field_.setDataSource(source); }
  void setDataField(const QString& name) { field_.setFieldName(name); }
  TFieldLink& fieldLink() { return field_; }

 private:
  void showField();

  TFieldLink field_;
};

}  // namespace torvelle::toolkit
