#pragma once
#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <type_traits>

namespace torvelle::support {

class ProfileFile;

inline constexpr std::string_view kGeneralSection = "General";
inline constexpr std::string_view kWindowSection = "Window";
inline constexpr std::string_view kRemindersSection = "Reminders";

// One setting of the settings file: where it lives and what a missing or
// unreadable value means. T is bool, int or std::string_view (a text).
// Readers and writers name the setting through these constants only, so a
// key and its default are written down once.
template <typename T>
struct Setting {
  std::string_view section;
  std::string_view key;
  T fallback;
};

inline constexpr Setting<bool> kShowInTaskBar{kGeneralSection, "Show in TaskBar", true};
inline constexpr Setting<bool> kShowHints{kGeneralSection, "Show hints", true};
inline constexpr Setting<std::string_view> kLanguage{kGeneralSection, "Language", "English"};
inline constexpr Setting<bool> kSaveWindowPosition{kGeneralSection, "Save window position", false};
inline constexpr Setting<bool> kSaveWindowSize{kGeneralSection, "Save window size", false};
inline constexpr Setting<int> kWindowLeft{kWindowSection, "Left", -1};
inline constexpr Setting<int> kWindowTop{kWindowSection, "Top", -1};
inline constexpr Setting<int> kWindowWidth{kWindowSection, "Width", 648};
inline constexpr Setting<int> kWindowHeight{kWindowSection, "Height", 474};
// Added later: a new settings file does not list these, so they read as
// their fallback until first written.
inline constexpr Setting<bool> kAutomaticBackups{kGeneralSection, "Automatic backups", true};
// "daily", or kBackupOnChanges: a backup whenever the data has changed.
inline constexpr Setting<std::string_view> kBackupWhen{kGeneralSection, "Backup when", "daily"};
inline constexpr std::string_view kBackupOnChanges = "changes";
inline constexpr Setting<int> kBackupsToKeep{kGeneralSection, "Backups to keep", 10};
inline constexpr Setting<bool> kRemindTasks{kGeneralSection, "Remind of tasks", true};
inline constexpr Setting<bool> kRemindDates{kGeneralSection, "Remind of important dates", true};
inline constexpr Setting<int> kRemindDaysBefore{kGeneralSection, "Remind days before", 0};
// What the reminders already announced, so that a restart does not repeat it.
inline constexpr Setting<std::string_view> kRemindedTasks{kRemindersSection, "Tasks", ""};
inline constexpr Setting<std::string_view> kRemindedEvents{kRemindersSection, "Events", ""};
inline constexpr Setting<std::string_view> kRemindedOverdue{kRemindersSection, "Overdue", ""};
// Reminders put off by the user, to come back at their time after a restart.
inline constexpr Setting<std::string_view> kSnoozedTasks{kRemindersSection, "Snoozed", ""};

bool readSetting(const ProfileFile& file, const Setting<bool>& setting);
int readSetting(const ProfileFile& file, const Setting<int>& setting);
std::string readSetting(const ProfileFile& file, const Setting<std::string_view>& setting);
// Booleans go out as "1" and "0", integers in decimal. Errors as ProfileFile's writes.
void writeSetting(ProfileFile& file, const Setting<bool>& setting, bool value);
void writeSetting(ProfileFile& file, const Setting<int>& setting, int value);
void writeSetting(ProfileFile& file, const Setting<std::string_view>& setting,
                  std::string_view value);

// A setting's default as the text a new settings file holds.
struct SettingDefault {
  std::string_view section;
  std::string_view key;
  std::string_view value;
};

namespace detail {

struct FixedText {
  std::array<char, 12> chars{};
  std::size_t length = 0;
};

// The decimal text of N, made at compile time so that a default row can
// point at it for the life of the program.
template <int N>
struct DecimalText {
  static constexpr FixedText text = [] {
    FixedText out;
    long long rest = N < 0 ? -static_cast<long long>(N) : N;
    std::size_t at = out.chars.size();
    do {
      out.chars[--at] = static_cast<char>('0' + rest % 10);
      rest /= 10;
    } while (rest != 0);
    if (N < 0) out.chars[--at] = '-';
    out.length = out.chars.size() - at;
    for (std::size_t i = 0; i < out.length; ++i) out.chars[i] = out.chars[at + i];
    return out;
  }();
  static constexpr std::string_view view{text.chars.data(), text.length};
};

}  // namespace detail

template <const auto& S>
constexpr SettingDefault defaultRow() {
  using T = std::remove_cvref_t<decltype(S.fallback)>;
  if constexpr (std::is_same_v<T, bool>)
    return {S.section, S.key, S.fallback ? "1" : "0"};
  else if constexpr (std::is_same_v<T, int>)
    return {S.section, S.key, detail::DecimalText<S.fallback>::view};
  else
    return {S.section, S.key, S.fallback};
}

// The nine settings in the order a new settings file lists them.
inline constexpr std::array<SettingDefault, 9> kSettingsDefaults{{
    defaultRow<kShowInTaskBar>(),
    defaultRow<kShowHints>(),
    defaultRow<kLanguage>(),
    defaultRow<kSaveWindowPosition>(),
    defaultRow<kSaveWindowSize>(),
    defaultRow<kWindowLeft>(),
    defaultRow<kWindowTop>(),
    defaultRow<kWindowWidth>(),
    defaultRow<kWindowHeight>(),
}};

// The default text of a setting, or an empty view for one not in the list.
std::string_view settingDefault(std::string_view section, std::string_view key);

// Writes the nine defaults in order, as one replacement of the file.
void writeSettingsDefaults(ProfileFile& file);

}  // namespace torvelle::support
