#include "support/SettingsDefaults.h"

#include <vector>

#include "support/ProfileFile.h"

namespace torvelle::support {

bool readSetting(const ProfileFile& file, const Setting<bool>& setting) {
  return file.readBool(setting.section, setting.key, setting.fallback);
}

int readSetting(const ProfileFile& file, const Setting<int>& setting) {
  return file.readInteger(setting.section, setting.key, setting.fallback);
}

std::string readSetting(const ProfileFile& file, const Setting<std::string_view>& setting) {
  return file.readString(setting.section, setting.key, setting.fallback);
}

void writeSetting(ProfileFile& file, const Setting<bool>& setting, bool value) {
  file.writeBool(setting.section, setting.key, value);
}

void writeSetting(ProfileFile& file, const Setting<int>& setting, int value) {
  file.writeInteger(setting.section, setting.key, value);
}

void writeSetting(ProfileFile& file, const Setting<std::string_view>& setting,
                  std::string_view value) {
  file.writeString(setting.section, setting.key, value);
}

std::string_view settingDefault(std::string_view section, std::string_view key) {
  for (const SettingDefault& setting : kSettingsDefaults)
    if (setting.section == section && setting.key == key) return setting.value;
  return {};
}

void writeSettingsDefaults(ProfileFile& file) {
  std::vector<ProfileFile::Entry> entries;
  entries.reserve(std::size(kSettingsDefaults));
  for (const SettingDefault& setting : kSettingsDefaults)
    entries.push_back({setting.section, setting.key, setting.value});
  file.writeStrings(entries);
}

}  // namespace torvelle::support
