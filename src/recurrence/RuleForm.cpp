#include "recurrence/RuleForm.h"

#include <charconv>
#include <map>
#include <vector>

#include "recurrence/RepeatSet.h"
#include "support/CivilDate.h"

namespace torvelle::recurrence {

namespace {

constexpr std::array<const char*, 7> kDays = {"MO", "TU", "WE", "TH", "FR", "SA", "SU"};

std::vector<std::string> split(const std::string& text, char by) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (;;) {
    const auto end = text.find(by, start);
    parts.push_back(text.substr(start, end - start));
    if (end == std::string::npos) return parts;
    start = end + 1;
  }
}

std::optional<int> number(const std::string& text) {
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

int dayIndex(const std::string& code) {
  for (int i = 0; i < 7; ++i)
    if (code == kDays[static_cast<std::size_t>(i)]) return i;
  return -1;
}

const char* freqName(Preset preset) {
  switch (preset) {
    case Preset::Daily:
      return "DAILY";
    case Preset::Weekdays:
    case Preset::Weekly:
      return "WEEKLY";
    case Preset::Monthly:
      return "MONTHLY";
    case Preset::Yearly:
      return "YEARLY";
    case Preset::None:
      break;
  }
  return "";
}

std::string monthlyPart(const RuleForm& form, Date start) {
  const auto civil = support::civilFromDayNumber(start.day);
  switch (form.monthly) {
    case MonthlyBy::LastDay:
      return ";BYMONTHDAY=-1";
    case MonthlyBy::NthWeekday: {
      const int nth = civil.day > 28 ? -1 : static_cast<int>((civil.day - 1) / 7 + 1);
      return ";BYDAY=" + std::to_string(nth) + kDays[static_cast<std::size_t>(weekdayOf(start))];
    }
    case MonthlyBy::DayOfMonth:
      break;
  }
  return ";BYMONTHDAY=" + std::to_string(civil.day);
}

std::string weeklyPart(const RuleForm& form) {
  std::string days;
  for (std::size_t i = 0; i < 7; ++i) {
    const bool on = form.preset == Preset::Weekdays ? i < 5 : form.weekdays[i];
    if (on) days += std::string(days.empty() ? "" : ",") + kDays[i];
  }
  return days.empty() ? std::string() : ";BYDAY=" + days;
}

// BYDAY of a monthly rule: one "2TU" or "-1FR".
bool readNthWeekday(const std::string& value, RuleForm& form) {
  if (value.size() < 3 || dayIndex(value.substr(value.size() - 2)) < 0) return false;
  const auto nth = number(value.substr(0, value.size() - 2));
  if (!nth || !(*nth == -1 || (*nth >= 1 && *nth <= 4))) return false;
  form.monthly = MonthlyBy::NthWeekday;
  return true;
}

bool readWeekdays(const std::string& value, RuleForm& form) {
  for (const auto& code : split(value, ',')) {
    const int i = dayIndex(code);
    if (i < 0) return false;
    form.weekdays[static_cast<std::size_t>(i)] = true;
  }
  const std::array<bool, 7> workdays = {true, true, true, true, true, false, false};
  if (form.weekdays == workdays) {
    form.preset = Preset::Weekdays;
    form.weekdays = {};
  }
  return true;
}

bool readPart(const std::string& key, const std::string& value, RuleForm& form) {
  if (key == "INTERVAL") {
    const auto n = number(value);
    form.interval = n.value_or(0);
    return n && *n >= 1 && *n <= 999;
  }
  if (key == "COUNT") {
    const auto n = number(value);
    form.end = EndKind::Count;
    form.count = n.value_or(0);
    return n && *n >= 1 && *n <= 9999;
  }
  if (key == "UNTIL") {
    const auto day = parseBasicDate(value.substr(0, 8));
    form.end = EndKind::Until;
    form.until = day.value_or(Date{});
    return day.has_value();
  }
  if (key == "WKST") return value == "MO";
  if (key == "BYDAY" && form.preset == Preset::Weekly) return readWeekdays(value, form);
  if (key == "BYDAY" && form.preset == Preset::Monthly) return readNthWeekday(value, form);
  if (key == "BYMONTHDAY" && form.preset == Preset::Monthly) {
    const auto d = number(value);
    form.monthly = d == -1 ? MonthlyBy::LastDay : MonthlyBy::DayOfMonth;
    return d && (*d == -1 || (*d >= 1 && *d <= 31));
  }
  return false;
}

}  // namespace

int weekdayOf(format::Date date) {
  // Day 1 (0001-01-01) was a Monday.
  return static_cast<int>(((date.day - 1) % 7 + 7) % 7);
}

std::string ruleText(const RuleForm& form, Date start) {
  if (form.preset == Preset::None) return {};
  std::string rule = std::string("FREQ=") + freqName(form.preset);
  if (form.interval > 1) rule += ";INTERVAL=" + std::to_string(form.interval);
  if (form.preset == Preset::Weekly || form.preset == Preset::Weekdays) rule += weeklyPart(form);
  if (form.preset == Preset::Monthly) rule += monthlyPart(form, start);
  if (form.end == EndKind::Until) rule += ";UNTIL=" + basicDate(form.until);
  if (form.end == EndKind::Count) rule += ";COUNT=" + std::to_string(form.count);
  return rule;
}

std::optional<RuleForm> formOf(const std::string& rule) {
  RuleForm form;
  if (rule.empty()) return form;
  std::map<std::string, std::string> parts;
  for (const auto& part : split(rule, ';')) {
    const auto eq = part.find('=');
    if (eq == std::string::npos || !parts.emplace(part.substr(0, eq), part.substr(eq + 1)).second)
      return std::nullopt;
  }
  static const std::map<std::string, Preset> presets = {{"DAILY", Preset::Daily},
                                                        {"WEEKLY", Preset::Weekly},
                                                        {"MONTHLY", Preset::Monthly},
                                                        {"YEARLY", Preset::Yearly}};
  const auto freq = presets.find(parts["FREQ"]);
  if (freq == presets.end()) return std::nullopt;
  form.preset = freq->second;
  parts.erase("FREQ");
  for (const auto& [key, value] : parts)
    if (!readPart(key, value, form)) return std::nullopt;
  return form;
}

}  // namespace torvelle::recurrence
