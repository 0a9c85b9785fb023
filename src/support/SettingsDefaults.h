#pragma once
#include <array>
#include <string_view>

namespace torvelle::support {

class ProfileFile;

// One setting of the settings file with the text it starts with.
struct SettingDefault {
  std::string_view section;
  std::string_view key;
  std::string_view value;
};

inline constexpr std::string_view kGeneralSection = "General";
inline constexpr std::string_view kWindowSection = "Window";

// The nine settings in the order a new settings file lists them.
inline constexpr std::array<SettingDefault, 9> kSettingsDefaults{{
    {kGeneralSection, "Show in TaskBar", "1"},
    {kGeneralSection, "Show hints", "1"},
    {kGeneralSection, "Language", "English"},
    {kGeneralSection, "Save window position", "0"},
    {kGeneralSection, "Save window size", "0"},
    {kWindowSection, "Left", "-1"},
    {kWindowSection, "Top", "-1"},
    {kWindowSection, "Width", "648"},
    {kWindowSection, "Height", "474"},
}};

// The default text of a setting, or an empty view for one not in the list.
std::string_view settingDefault(std::string_view section, std::string_view key);

// Writes the nine defaults in order, as one replacement of the file.
void writeSettingsDefaults(ProfileFile& file);

}  // namespace torvelle::support
