#pragma once
#include <QCheckBox>
#include <QObject>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>

#include "books/RepeatTexts.h"
#include "books/TaskRules.h"
#include "engine/RecordView.h"
#include "recurrence/RecordSeries.h"
#include "store/ParadoxTable.h"

namespace torvelle::books {

// Which occurrences of a repeating task a change is for.
enum class RepeatScope { ThisOne, ThisAndFollowing, All, Cancel };

// The repeating tasks of the tasks page: which day and done state the
// display rule judges a repeating task by, the mark in the grid, done per
// occurrence, and the question which occurrences an edit, a move or a
// delete is for. The page owns it and tells it the mode and viewed day.
class TTaskRepeats : public QObject {
  Q_OBJECT
 public:
  struct View {
    int mode = DayMode;
    format::Date viewedDay;
    format::Date today;
  };
  using ViewOf = std::function<View()>;
  // Asks the user; tests answer in its place. The text names the task.
  using ScopeQuestion = std::function<RepeatScope(const QString& question)>;

  TTaskRepeats(store::TParadoxTable& table, ViewOf view, QObject* parent = nullptr);

  void setTexts(const TRepeatTexts* texts) { texts_ = texts; }
  const TRepeatTexts& texts() const { return *texts_; }
  void setScopeQuestion(ScopeQuestion question) { question_ = std::move(question); }
  // The table has the repeat fields (looked up again after each open).
  bool available();

  // What the display rule should see of a record: a repeating task is on
  // the viewed day when an occurrence is, done when that occurrence is, and
  // overdue (once) while any past occurrence is not done. `accept` false:
  // the record is not shown at all.
  struct Judged {
    std::optional<format::Date> date;
    bool done = false;
    bool accept = true;
  };
  Judged judge(const engine::RecordView& record, std::optional<format::Date> date, bool done);

  // The grid's text hook: the repeat mark before a repeating task's text,
  // an occurrence's own text where it has one.
  void decorate(int row, int field, QString& text);

  bool repeats(const engine::RecordView& record) const;
  // The occurrence of the current record on the viewed day (day mode).
  std::optional<recurrence::Occurrence> currentOccurrence();
  // Ticks or clears the current occurrence, one post of the record.
  void setOccurrenceDone(bool done);
  // Sets the current record's repeat set as one change.
  void storeRepeatSet(const std::string& rule, const recurrence::RepeatSet& exceptions);

  // Table hooks, installed by the page.
  void beforeEdit();
  void beforePost();
  void afterPost();
  void beforeDelete();

 private:
  struct Fields {
    int date = -1, time = -1, task = -1, done = -1;
    recurrence::SeriesFields series;
  };
  const Fields& fields();
  recurrence::RepeatSet setOf(const format::Record& values) const;
  std::vector<recurrence::Occurrence> occurrencesOn(const format::Record& values, format::Date day);
  std::optional<format::Date> firstOverdue(const format::Record& values, format::Date today);
  RepeatScope ask(const QString& question, const format::Record& values);
  void keepOnlyThisOne(const format::Record& before, const recurrence::Occurrence& o);
  void splitFromHere(const format::Record& before, const recurrence::Occurrence& o);
  void restoreSeriesFields(const format::Record& before);
  void writeExceptions(const recurrence::RepeatSet& set);

  store::TParadoxTable& table_;
  ViewOf view_;
  const TRepeatTexts* texts_;
  TRepeatTexts ownTexts_;
  ScopeQuestion question_;
  std::optional<Fields> fields_;
  recurrence::OccurrenceCache cache_;
  std::unordered_map<std::string, std::optional<format::Date>> overdue_;
  std::int32_t overdueDay_ = 0;
  std::optional<format::Record> editOriginal_;
  std::optional<format::Record> pendingFollowing_;
  bool ownChange_ = false;
};

}  // namespace torvelle::books
