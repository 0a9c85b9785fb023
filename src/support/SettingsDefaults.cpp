#include "support/SettingsDefaults.h"

#include <vector>

#include "support/ProfileFile.h"

namespace torvelle::support {

std::string_view settingDefault(std::string_view section, std::string_view key) {
  for (const SettingDefault& setting : kSettingsDefaults)
    if (setting.section == section && setting.key == key) return setting.value;
  return {};
}

void writeSettingsDefaults(ProfileFile& file) {
  std::vector<ProfileFile::Entry> entries;
  for (const SettingDefault& setting : kSettingsDefaults)
    entries.push_back({setting.section, setting.key, setting.value});
  file.writeStrings(entries);
}

}  // namespace torvelle::support
