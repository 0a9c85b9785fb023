#include "support/SettingsDefaults.h"

#include <gtest/gtest.h>

#include "TempDir.h"
#include "support/ProfileFile.h"

using namespace torvelle::support;

// Every typed setting gives its designed default both when the key is
// missing and from a new settings file, and keeps what its type writes.
TEST(SettingsDefaults, TypedSettingsMatchTheDesignedDefaults) {
  TempDir dir;
  const ProfileFile missing(dir / "missing.ini");
  ProfileFile fresh(dir / "fresh.ini");
  writeSettingsDefaults(fresh);
  int walked = 0;
  const auto expect = [&](const auto& setting, const auto& designed) {
    EXPECT_EQ(readSetting(missing, setting), designed) << setting.key;
    EXPECT_EQ(readSetting(fresh, setting), designed) << setting.key;
    EXPECT_EQ(kSettingsDefaults.at(walked).key, setting.key);
    ++walked;
  };
  expect(kShowInTaskBar, true);
  expect(kShowHints, true);
  expect(kLanguage, "English");
  expect(kSaveWindowPosition, false);
  expect(kSaveWindowSize, false);
  expect(kWindowLeft, -1);
  expect(kWindowTop, -1);
  expect(kWindowWidth, 648);
  expect(kWindowHeight, 474);
  EXPECT_EQ(walked, static_cast<int>(kSettingsDefaults.size()));

  writeSetting(fresh, kShowHints, false);
  writeSetting(fresh, kWindowLeft, -2147483647 - 1);
  writeSetting(fresh, kLanguage, "Русский");
  const ProfileFile again(dir / "fresh.ini");
  EXPECT_FALSE(readSetting(again, kShowHints));
  EXPECT_EQ(readSetting(again, kWindowLeft), -2147483647 - 1);
  EXPECT_EQ(readSetting(again, kLanguage), "Русский");
  EXPECT_EQ(again.readString("General", "Show hints", ""), "0");
}
