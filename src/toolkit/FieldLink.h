#pragma once
#include <QObject>
#include <QString>

#include "toolkit/DataLink.h"

namespace torvelle::toolkit {

// A control's binding to one field of the current record: says when the
// shown value is stale and writes the user's changes, putting the record
// into edit state first. Engine errors go to the error box.
class TFieldLink : public QObject {
  Q_OBJECT
 public:
  explicit TFieldLink(QObject* parent = nullptr);

  void setDataSource(engine::DataSource* source);
  void setFieldName(const QString& name);
  const QString& fieldName() const { return fieldName_; }
  TDataLink& link() { return link_; }
  const TDataLink& link() const { return link_; }

  // A field to show: the table is open, has a current record and the field.
  bool hasField() const;
  bool canModify() const;
  QString text() const;
  bool boolValue() const;
  // False when the value was refused. With `keepTyped` the refused text
  // stays in the control for correction and the same refusal is reported
  // once; otherwise the control shows the field again.
  bool writeText(const QString& text, bool keepTyped = true);
  bool writeBool(bool value);
  // For the table's request to write pending editor text: a refusal is
  // thrown on, unreported, to stop the post that asked.
  void writeTextOrThrow(const QString& text);
  // Puts the current record into edit state, as the first keystroke does.
  void startEdit();
  // Characters the field holds; 0 for no limit (memo, non-text fields).
  int maxLength() const;

 signals:
  // Show the field again (another record, a cancel, a value set elsewhere).
  void refresh();

 private:
  int fieldIndex() const;
  bool write(const std::function<void(engine::Table&)>& set, bool keepTyped);
  void fieldChanged(int field);

  TDataLink link_;
  QString fieldName_;
  bool writing_ = false;
  QString lastRefusal_;
};

}  // namespace torvelle::toolkit
