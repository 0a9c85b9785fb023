#pragma once
#include <optional>
#include <string>
#include <string_view>

#include "engine/format/Value.h"
#include "support/TextMatch.h"

namespace torvelle::books {

// The display modes of the tasks page, in the order of its radio group.
enum TaskMode : int { DayMode = 0, AllTasks = 1, DoneTasks = 2, PlanTasks = 3, OverdueTasks = 4 };

// What the tasks filter reads from the page, as plain values.
struct TaskFilterState {
  int mode = DayMode;
  format::Date viewedDay;
  format::Date today;
  bool filterOn = false;    // the filter button is pressed
  bool ignoreCase = false;  // the case button is pressed
  std::string taskPattern;
  std::string timePattern;
  std::string datePattern;
  support::CaseFold fold;  // the task table's
};

// The mode's own test. An empty date is earlier than every day and equal
// to none: never on the viewed day, overdue while not done.
bool taskModeAccepts(int mode, std::optional<format::Date> date, bool done, format::Date viewedDay,
                     format::Date today);

// The whole display rule with its patterns prepared once, so that a
// re-filter of many records folds each pattern only once.
class TaskDisplayRule {
 public:
  explicit TaskDisplayRule(const TaskFilterState& state);
  // The texts are the record's fields as the grid shows them; a blank
  // field is an empty text.
  bool accepts(std::optional<format::Date> date, bool done, std::string_view task,
               std::string_view timeText, std::string_view dateText) const;
  // The same with the task text already folded by the state's fold when
  // letter case is ignored (the engine keeps folded texts per record).
  bool acceptsFolded(std::optional<format::Date> date, bool done, std::string_view taskFolded,
                     std::string_view timeText, std::string_view dateText) const;
  bool ignoreCase() const { return state_.ignoreCase; }

 private:
  TaskFilterState state_;
  support::TextMatcher task_;
  support::TextMatcher taskFolded_;
  support::TextMatcher time_;
  support::TextMatcher date_;
};

// "All tasks" with the filter button released needs no filter at all.
bool taskTableFiltered(int mode, bool filterOn);

// Week-day tab of a day: Monday 0 ... Sunday 6, from Qt's dayOfWeek (1 to 7).
int dayTabIndex(int dayOfWeek);

// Round(num / den) with a tie going to the even integer; den > 0.
int roundHalfEven(long long num, long long den);

// The time and date columns (and their search boxes) are 65 pixels at the
// design's text size. Where the desktop's font needs more, the design is
// scaled by `scale` (1 or more) instead of the font being made smaller; at
// scale 1 every rule below gives the design's own figures.
constexpr int kDateColumnDesignWidth = 65;
int dateColumnWidth(double scale);
// The scale at which a column fits `textWidth` pixels of text.
double dateColumnScale(int textWidth);

// The columns and filter row that follow the mode, for a grid W wide.
struct TaskColumnsLayout {
  int taskColumnWidth;
  int taskEditWidth;
  int timeEditLeft;
};
TaskColumnsLayout taskColumnsLayout(int gridWidth, bool dayMode, double scale = 1.0);

// The tasks page on resizing, for a page W wide and its bottom bar.
struct TasksBookLayout {
  int gridWidth;
  int taskColumnWidth;
  int taskEditWidth;
  int timeEditLeft;
  int dateEditLeft;
  int filterLeft;
  int memoLeft;
  int memoWidth;
};
TasksBookLayout tasksBookLayout(int pageWidth, bool dayMode, int navigBarWidth, double scale = 1.0);

// The tasks page's bottom bar, T wide.
struct NavigBarLayout {
  int navigatorWidth;
  int buttonWidth;  // the move button
  int label1Width;
};
NavigBarLayout navigBarLayout(int barWidth, int label1Left);

// Which comes first on a page resize, the grid's width or its columns: a
// growing grid is widened before its columns, a shrinking one after.
enum class GridWidthOrder { Before, After, Unchanged };
GridWidthOrder gridWidthOrder(int pageWidth, int previousWidth);

// The sections pane of a section book page W wide.
int sectionsPaneWidth(int pageWidth);

}  // namespace torvelle::books
