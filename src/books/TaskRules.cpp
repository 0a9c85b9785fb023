#include "books/TaskRules.h"

#include <algorithm>
#include <cmath>

namespace torvelle::books {

bool taskModeAccepts(int mode, std::optional<format::Date> date, bool done, format::Date viewedDay,
                     format::Date today) {
  switch (mode) {
    case DayMode:
      return date && *date == viewedDay;
    case DoneTasks:
      return done;
    case PlanTasks:
      return !done;
    case OverdueTasks:
      return (!date || *date < today) && !done;
    default:
      return true;
  }
}

TaskDisplayRule::TaskDisplayRule(const TaskFilterState& state)
    : state_(state),
      task_(state.taskPattern, state.ignoreCase, state.fold),
      taskFolded_(state.ignoreCase ? state.fold(state.taskPattern) : state.taskPattern, false),
      time_(state.timePattern, false),
      date_(state.datePattern, false) {}

bool TaskDisplayRule::accepts(std::optional<format::Date> date, bool done, std::string_view task,
                              std::string_view timeText, std::string_view dateText) const {
  if (!taskModeAccepts(state_.mode, date, done, state_.viewedDay, state_.today)) return false;
  if (!state_.filterOn) return true;
  return task_(task) && time_(timeText) && date_(dateText);
}

bool TaskDisplayRule::acceptsFolded(std::optional<format::Date> date, bool done,
                                    std::string_view taskFolded, std::string_view timeText,
                                    std::string_view dateText) const {
  if (!taskModeAccepts(state_.mode, date, done, state_.viewedDay, state_.today)) return false;
  if (!state_.filterOn) return true;
  return taskFolded_(taskFolded) && time_(timeText) && date_(dateText);
}

bool taskTableFiltered(int mode, bool filterOn) {
  return !(mode == AllTasks && !filterOn);
}

int dayTabIndex(int dayOfWeek) {
  return dayOfWeek == 7 ? 6 : dayOfWeek - 1;
}

int roundHalfEven(long long num, long long den) {
  const bool negative = num < 0;
  const long long n = negative ? -num : num;
  long long q = n / den;
  const long long r2 = 2 * (n % den);
  if (r2 > den || (r2 == den && q % 2 != 0)) ++q;
  return static_cast<int>(negative ? -q : q);
}

int dateColumnWidth(double scale) {
  return static_cast<int>(std::lround(kDateColumnDesignWidth * std::max(1.0, scale)));
}

double dateColumnScale(int textWidth) {
  // Cell margins of 3 pixels a side and the grid line.
  const int needed = textWidth + 2 * 3 + 1;
  return std::max(1.0, static_cast<double>(needed) / kDateColumnDesignWidth);
}

TaskColumnsLayout taskColumnsLayout(int gridWidth, bool dayMode, double scale) {
  // The row indicator, the scroll bar and the lines take 34 pixels; the time
  // column, and outside the day view the date column, one column each.
  const int column = dateColumnWidth(scale);
  const int task = gridWidth - 34 - (dayMode ? column : 2 * column);
  return {task, task - 2, task + 15};
}

TasksBookLayout tasksBookLayout(int pageWidth, bool dayMode, int navigBarWidth, double scale) {
  const int n = roundHalfEven(static_cast<long long>(pageWidth) * 360, 632) / 9;
  const int grid = 10 * n + 7;
  const TaskColumnsLayout cols = taskColumnsLayout(grid, dayMode, scale);
  const int memoLeft = grid + 2;
  return {grid,
          cols.taskColumnWidth,
          cols.taskEditWidth,
          cols.timeEditLeft,
          grid - 19 - dateColumnWidth(scale),
          grid - 19,
          memoLeft,
          navigBarWidth - memoLeft};
}

NavigBarLayout navigBarLayout(int barWidth, int label1Left) {
  const int navigator = roundHalfEven(static_cast<long long>(barWidth) * 360, 632);
  // 92 is the check box's design width; past the design width it grows.
  const int d = barWidth <= 632 ? 92 : roundHalfEven(static_cast<long long>(barWidth) * 92, 632);
  return {navigator, navigator / 9, barWidth - label1Left - d - 24};
}

GridWidthOrder gridWidthOrder(int pageWidth, int previousWidth) {
  if (pageWidth > previousWidth) return GridWidthOrder::Before;
  if (pageWidth < previousWidth) return GridWidthOrder::After;
  return GridWidthOrder::Unchanged;
}

int sectionsPaneWidth(int pageWidth) {
  return pageWidth - 16 - 10 * (roundHalfEven(static_cast<long long>(pageWidth) * 405, 632) / 9);
}

}  // namespace torvelle::books
