#include "books/TaskRepeats.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <algorithm>
#include <array>

#include "engine/FieldNames.h"
#include "engine/RecordIdentity.h"
#include "recurrence/Expansion.h"
#include "toolkit/ErrorBox.h"

namespace torvelle::books {

using recurrence::Occurrence;
using recurrence::RepeatSet;

namespace {

// Days looked back for occurrences not done; older ones are history.
constexpr int kOverdueDays = 730;
constexpr int kFirstOverdueSpan = 28;
const QString kMark = QStringLiteral("\u21BB ");  // clockwise open circle arrow

const std::string* textOf(const format::Record& values, int field) {
  if (field < 0 || static_cast<std::size_t>(field) >= values.size()) return nullptr;
  return std::get_if<std::string>(&values[static_cast<std::size_t>(field)]);
}

const format::Value& valueOf(const format::Record& values, int field) {
  static const format::Value none;
  if (field < 0 || static_cast<std::size_t>(field) >= values.size()) return none;
  return values[static_cast<std::size_t>(field)];
}

std::string key(const format::Record& values, const recurrence::SeriesFields& f) {
  const std::string* rule = textOf(values, f.rule);
  const std::string* exceptions = textOf(values, f.exceptions);
  const auto start = recurrence::startOf(f, values);
  const auto time = recurrence::timeOf(f, values);
  return (rule ? *rule : "") + '\x1f' + (exceptions ? *exceptions : "") + '\x1f' +
         std::to_string(start ? start->day : 0) + '/' + std::to_string(time ? time->msec : -1);
}

RepeatScope askWithBox(const TRepeatTexts& texts, const QString& question) {
  QMessageBox box(QMessageBox::Question, QApplication::applicationName(), question,
                  QMessageBox::NoButton, QApplication::activeWindow());
  QPushButton* one = box.addButton(texts.ThisOne, QMessageBox::AcceptRole);
  QPushButton* following = box.addButton(texts.ThisAndFollowing, QMessageBox::AcceptRole);
  QPushButton* all = box.addButton(texts.AllOfThem, QMessageBox::AcceptRole);
  box.addButton(texts.CancelButton, QMessageBox::RejectRole);
  box.setDefaultButton(one);
  box.exec();
  if (box.clickedButton() == one) return RepeatScope::ThisOne;
  if (box.clickedButton() == following) return RepeatScope::ThisAndFollowing;
  if (box.clickedButton() == all) return RepeatScope::All;
  return RepeatScope::Cancel;
}

}  // namespace

TTaskRepeats::TTaskRepeats(store::TParadoxTable& table, ViewOf view, QObject* parent)
    : QObject(parent), table_(table), view_(std::move(view)), texts_(&ownTexts_) {}

const TTaskRepeats::Fields& TTaskRepeats::fields() {
  // Looked up once the table is open; a table opened later is looked at again.
  if (!fields_ || (fields_->date < 0 && table_.isOpen())) {
    Fields f;
    if (table_.isOpen()) {
      f.date = table_.fieldIndex(engine::kDateField);
      f.time = table_.fieldIndex(engine::kTimeField);
      f.task = table_.fieldIndex(engine::kTaskField);
      f.done = table_.fieldIndex(engine::kDoneField);
      f.series = recurrence::SeriesFields::of(table_.info().fields);
    }
    fields_ = f;
  }
  return *fields_;
}

bool TTaskRepeats::available() {
  fields_.reset();  // a reopened table may be another one
  return table_.isOpen() && fields().series.canRepeat();
}

bool TTaskRepeats::repeats(const engine::RecordView& record) const {
  if (!fields_ || fields_->series.rule < 0) return false;
  const std::string* rule = textOf(record.values(), fields_->series.rule);
  if (rule && !rule->empty()) return true;
  // Extra dates alone also repeat a record.
  const std::string* exceptions = textOf(record.values(), fields_->series.exceptions);
  return exceptions && exceptions->find("RDATE:") != std::string::npos;
}

RepeatSet TTaskRepeats::setOf(const format::Record& values) const {
  return recurrence::repeatSetOf(fields_->series, values);
}

std::vector<Occurrence> TTaskRepeats::occurrencesOn(const format::Record& values,
                                                    format::Date day) {
  const auto& f = fields().series;
  const auto start = recurrence::startOf(f, values);
  if (!start) return {};
  const std::string* rule = textOf(values, f.rule);
  const std::string* exceptions = textOf(values, f.exceptions);
  return cache_.on(rule ? *rule : "", exceptions ? *exceptions : "", *start,
                   recurrence::timeOf(f, values), day);
}

std::optional<format::Date> TTaskRepeats::firstOverdue(const format::Record& values,
                                                       format::Date today) {
  if (overdueDay_ != today.day) {
    overdue_.clear();
    overdueDay_ = today.day;
  }
  const auto& f = fields().series;
  auto [it, fresh] = overdue_.try_emplace(key(values, f));
  if (!fresh) return it->second;
  const auto start = recurrence::startOf(f, values);
  if (!start) return std::nullopt;
  const RepeatSet set = setOf(values);
  const auto time = recurrence::timeOf(f, values);
  // Looked for from the first day that can hold one, in spans that double:
  // an early occurrence not done, the usual case, then costs a short walk
  // instead of two years of them.
  const std::int32_t oldest = today.day - kOverdueDays;
  std::int32_t from = std::max(oldest, start->day);
  for (const auto& [original, moved] : set.moved)
    from = std::min(from, std::max(oldest, moved.date.day));
  for (int span = kFirstOverdueSpan; from < today.day; span *= 2) {
    const format::Date to{std::min(from + span - 1, today.day - 1)};
    const auto e = recurrence::expand(set, *start, time, format::Date{from}, to);
    for (const auto& o : e.occurrences)
      if (!o.done) return it->second = o.date;
    if (e.cutShort) break;
    from = to.day + 1;
  }
  return std::nullopt;
}

TTaskRepeats::Judged TTaskRepeats::judge(const engine::RecordView& record,
                                         std::optional<format::Date> date, bool done) {
  fields();
  if (!repeats(record)) return {date, done, true};
  const View v = view_();
  if (v.mode == DayMode) {
    const auto occurrences = occurrencesOn(record.values(), v.viewedDay);
    if (occurrences.empty()) return {date, done, false};
    return {v.viewedDay, occurrences.front().done, true};
  }
  if (v.mode == OverdueTasks) {
    const auto overdue = firstOverdue(record.values(), v.today);
    return {overdue, false, overdue.has_value()};
  }
  return {date, done, true};
}

void TTaskRepeats::decorate(int row, int field, QString& text) {
  if (!fields_ || field != fields_->task || row < 0) return;
  if (static_cast<std::size_t>(row) >= table_.rowCount()) return;
  const engine::RecordView record = table_.row(static_cast<std::size_t>(row));
  if (!repeats(record)) return;
  const int mode = view_().mode;
  if (mode == DayMode) {
    const auto occurrences = occurrencesOn(record.values(), view_().viewedDay);
    if (!occurrences.empty() && !occurrences.front().text.empty())
      text = QString::fromStdString(occurrences.front().text);
  } else if (mode == AllTasks) {
    // Listed once, so the rule is shown with it.
    if (const std::string* rule = textOf(record.values(), fields_->series.rule))
      text += QStringLiteral("  [") + QString::fromStdString(*rule) + QLatin1Char(']');
  }
  text.prepend(kMark);
}

std::optional<Occurrence> TTaskRepeats::currentOccurrence() {
  if (!table_.isOpen() || !table_.currentRow() || view_().mode != DayMode) return std::nullopt;
  fields();
  const engine::RecordView record = table_.current();
  if (!repeats(record)) return std::nullopt;
  const auto occurrences = occurrencesOn(record.values(), view_().viewedDay);
  if (occurrences.empty()) return std::nullopt;
  return occurrences.front();
}

void TTaskRepeats::writeExceptions(const RepeatSet& set) {
  const std::string memo = recurrence::exceptionsText(set);
  ownChange_ = true;
  try {
    table_.updateRecords(
        {table_.bookmark()},
        {{fields().series.exceptions, memo.empty() ? format::Value{} : format::Value{memo}}});
  } catch (...) {
    ownChange_ = false;
    throw;
  }
  ownChange_ = false;
}

void TTaskRepeats::setOccurrenceDone(bool done) {
  const auto o = currentOccurrence();
  if (!o) return;
  RepeatSet set = setOf(table_.current().values());
  if (done)
    set.done.insert(o->original);
  else
    set.done.erase(o->original);
  writeExceptions(set);
}

void TTaskRepeats::storeRepeatSet(const std::string& rule, const RepeatSet& exceptions) {
  const auto& f = fields().series;
  const std::string memo = recurrence::exceptionsText(exceptions);
  ownChange_ = true;
  try {
    table_.updateRecords({table_.bookmark()},
                         {{f.rule, rule.empty() ? format::Value{} : format::Value{rule}},
                          {f.exceptions, memo.empty() ? format::Value{} : format::Value{memo}}});
  } catch (...) {
    ownChange_ = false;
    throw;
  }
  ownChange_ = false;
}

RepeatScope TTaskRepeats::ask(const QString& question, const format::Record& values) {
  const std::string* task = textOf(values, fields().task);
  const QString text = question.arg(task ? QString::fromStdString(*task) : QString());
  return question_ ? question_(text) : askWithBox(*texts_, text);
}

void TTaskRepeats::beforeEdit() {
  fields();
  editOriginal_ = table_.current().values();
}

void TTaskRepeats::restoreSeriesFields(const format::Record& before) {
  const Fields& f = fields();
  for (const int field : {f.date, f.time, f.task}) table_.setField(field, valueOf(before, field));
}

void TTaskRepeats::keepOnlyThisOne(const format::Record& before, const Occurrence& o) {
  const Fields& f = fields();
  const format::Record after = table_.current().values();
  RepeatSet set = setOf(before);
  recurrence::MovedOccurrence moved{o.date, o.moved ? o.time : std::nullopt, o.text};
  if (valueOf(after, f.date) != valueOf(before, f.date))
    if (const auto* d = std::get_if<format::Date>(&valueOf(after, f.date))) moved.date = *d;
  if (valueOf(after, f.time) != valueOf(before, f.time))
    if (const auto* t = std::get_if<format::Time>(&valueOf(after, f.time))) moved.time = *t;
  if (valueOf(after, f.task) != valueOf(before, f.task)) {
    const std::string* task = textOf(after, f.task);
    moved.text = task ? *task : std::string();
  }
  set.moved[o.original] = moved;
  restoreSeriesFields(before);
  const std::string memo = recurrence::exceptionsText(set);
  table_.setField(f.series.exceptions, memo.empty() ? format::Value{} : format::Value{memo});
}

void TTaskRepeats::splitFromHere(const format::Record& before, const Occurrence& o) {
  const Fields& f = fields();
  format::Record following = table_.current().values();
  if (valueOf(following, f.date) == valueOf(before, f.date))
    following[static_cast<std::size_t>(f.date)] = o.original;
  const int identity = engine::identityField(table_.info().fields);
  if (identity >= 0) following[static_cast<std::size_t>(identity)] = std::monostate{};
  RepeatSet earlier = setOf(before), later;
  later.rule = earlier.rule;
  const auto split = [&](auto& from, auto& to) {
    for (auto it = from.lower_bound(o.original); it != from.end();) {
      to.insert(*it);
      it = from.erase(it);
    }
  };
  split(earlier.extraDates, later.extraDates);
  split(earlier.excluded, later.excluded);
  split(earlier.done, later.done);
  split(earlier.moved, later.moved);
  const std::string laterMemo = recurrence::exceptionsText(later);
  following[static_cast<std::size_t>(f.series.exceptions)] =
      laterMemo.empty() ? format::Value{} : format::Value{laterMemo};
  pendingFollowing_ = following;

  restoreSeriesFields(before);
  table_.setField(f.series.rule, recurrence::ruleEndingBefore(earlier.rule, o.original));
  const std::string memo = recurrence::exceptionsText(earlier);
  table_.setField(f.series.exceptions, memo.empty() ? format::Value{} : format::Value{memo});
}

void TTaskRepeats::beforePost() {
  if (ownChange_ || table_.state() != engine::TableState::Edit || !editOriginal_) return;
  const format::Record before = *editOriginal_;
  editOriginal_.reset();
  const Fields& f = fields();
  const engine::RecordView beforeView = table_.current();
  if (!f.series.canRepeat() || view_().mode != DayMode) return;
  // A copy: the question below runs a dialog while the edit buffer stays open.
  // NOLINTNEXTLINE(performance-unnecessary-copy-initialization)
  const format::Record after = beforeView.values();
  const std::array<int, 3> shown = {f.date, f.time, f.task};
  const bool changed = std::any_of(shown.begin(), shown.end(), [&](int field) {
    return valueOf(after, field) != valueOf(before, field);
  });
  const std::string* rule = textOf(before, f.series.rule);
  if (!changed || !rule || rule->empty()) return;
  const auto occurrences = occurrencesOn(before, view_().viewedDay);
  if (occurrences.empty()) return;
  const Occurrence& o = occurrences.front();
  switch (ask(texts_->ChangeQuestion, before)) {
    case RepeatScope::Cancel:
      table_.cancel();
      throw toolkit::SilentAbort{};
    case RepeatScope::ThisOne:
      keepOnlyThisOne(before, o);
      break;
    case RepeatScope::ThisAndFollowing:
      if (o.original == recurrence::startOf(f.series, before)) break;  // that is all of them
      splitFromHere(before, o);
      break;
    case RepeatScope::All: {
      // A move of the viewed occurrence moves the whole series as far.
      const auto* was = std::get_if<format::Date>(&valueOf(before, f.date));
      const auto* now = std::get_if<format::Date>(&valueOf(after, f.date));
      if (was && now && *now != *was)
        table_.setField(f.date, format::Date{was->day + (now->day - o.date.day)});
      break;
    }
  }
}

void TTaskRepeats::afterPost() {
  if (!pendingFollowing_) return;
  format::Record following = std::move(*pendingFollowing_);
  pendingFollowing_.reset();
  engine::giveIdentity(table_.info().fields, following);
  ownChange_ = true;
  const bool inserted = toolkit::ErrorBox::guard(
      [&] { table_.batchChange([&](format::TableFile& file) { file.insert(following); }); });
  ownChange_ = false;
  (void)inserted;
}

void TTaskRepeats::beforeDelete() {
  if (ownChange_ || !table_.isOpen() || view_().mode != DayMode) return;
  const auto o = currentOccurrence();
  if (!o) return;
  const format::Record values = table_.current().values();
  const Fields& f = fields();
  const RepeatScope scope = ask(texts_->DeleteQuestion, values);
  if (scope == RepeatScope::All) return;
  if (scope == RepeatScope::Cancel) throw toolkit::SilentAbort{};
  if (scope == RepeatScope::ThisAndFollowing &&
      o->original == recurrence::startOf(f.series, values))
    return;
  if (table_.state() != engine::TableState::Browse) table_.cancel();
  RepeatSet set = setOf(values);
  if (scope == RepeatScope::ThisOne) {
    set.excluded.insert(o->original);
    writeExceptions(set);
  } else {
    storeRepeatSet(recurrence::ruleEndingBefore(set.rule, o->original), set);
  }
  // The record stays: only the occurrences went.
  throw toolkit::SilentAbort{};
}

}  // namespace torvelle::books
