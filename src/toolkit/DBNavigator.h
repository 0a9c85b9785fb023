#pragma once
#include <QStringList>
#include <QToolButton>
#include <QWidget>
#include <array>

#include "toolkit/DataLink.h"

namespace torvelle::toolkit {

// The record navigator: first, prior, next, last, insert, delete, edit,
// post and cancel, each enabled only while it can act on the table.
class TDBNavigator : public QWidget {
  Q_OBJECT
 public:
  enum Button { First, Prior, Next, Last, Insert, Delete, Edit, Post, Cancel };
  static constexpr int kButtons = 9;

  explicit TDBNavigator(QWidget* parent = nullptr);

  void setDataSource(engine::DataSource* source);
  TDataLink& link() { return link_; }
  QToolButton* button(Button b) const { return buttons_[static_cast<std::size_t>(b)]; }

  // Nine hints in button order; a shorter list leaves the rest as they are.
  void setHints(const QStringList& hints);
  QStringList hints() const;
  void setConfirmDelete(bool confirm) { confirmDelete_ = confirm; }
  void setDeleteQuestion(const QString& question) { askDelete_ = question; }

  // What a click does; also for code that presses a button.
  void BtnClick(Button b);
  void updateButtons();

 private:
  TDataLink link_;
  std::array<QToolButton*, kButtons> buttons_{};
  bool confirmDelete_ = true;
  QString askDelete_ = QStringLiteral("Delete record?");
};

}  // namespace torvelle::toolkit
