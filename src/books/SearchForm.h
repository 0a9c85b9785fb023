#pragma once
#include <QDialog>
#include <QLineEdit>
#include <QToolButton>
#include <QTreeWidget>
#include <functional>

#include "books/SearchIndex.h"
#include "print/CalendarTexts.h"

namespace torvelle::books {

// One search box over the four books. Each keystroke searches the records
// read when the box opened; the results come grouped by book, each with the
// text that matched. Enter (or a double click) on a result opens it.
class TSearchForm : public QDialog {
  Q_OBJECT
 public:
  // Results listed per book; the rest are only counted.
  static constexpr std::size_t kListedPerBook = 200;

  TSearchForm(const print::TCalendarTexts& texts, QWidget* parent = nullptr);

  // Where the records come from when the box opens.
  void setIndexSource(std::function<SearchIndex()> source) { source_ = std::move(source); }
  // Reads the records again and shows the box with the text selected.
  void openSearch();
  void search();

  QLineEdit* SearchEdit;
  QToolButton* SearchRegSB;  // pressed: letter case is ignored
  QTreeWidget* SearchResults;

 signals:
  void recordOpened(const books::SearchEntry& entry);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void openCurrent();

  const print::TCalendarTexts& texts_;
  std::function<SearchIndex()> source_;
  SearchIndex index_;
};

}  // namespace torvelle::books
