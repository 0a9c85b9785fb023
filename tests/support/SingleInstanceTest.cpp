#include "support/SingleInstance.h"

#include <gtest/gtest.h>

using namespace torvelle::support;

TEST(SingleInstance, KeyDropsOnlyARealExtension) {
  EXPECT_EQ(instanceKey("/opt/torvelle/torvelle"), "TORVELLE");
  EXPECT_EQ(instanceKey("C:\\Program Files\\Torvelle\\Torvelle.exe"), "TORVELLE");
  EXPECT_EQ(instanceKey("C:Torvelle.exe"), "TORVELLE");
  EXPECT_EQ(instanceKey("/usr/bin/torvelle.v2.bin"), "TORVELLE.V2");
  EXPECT_EQ(instanceKey("/home/u/.torvelle"), ".TORVELLE");  // a leading dot is no extension
  EXPECT_EQ(instanceKey("/home/u.x/torvelle"), "TORVELLE");  // dots of the folder do not count
  EXPECT_EQ(instanceKey("/bin/Торвелле"), "Торвелле");       // ASCII only
  EXPECT_EQ(instanceKey("/bin/torvelle-ёж"), "TORVELLE-ёж");
}

TEST(SingleInstance, TitleIsCapitalisedNameWithoutExtension) {
  EXPECT_EQ(instanceTitle("/opt/torvelle/TORVELLE"), "Torvelle");
  EXPECT_EQ(instanceTitle("C:\\Torvelle\\ORGANIZER.EXE"), "Organizer");
  EXPECT_EQ(instanceTitle("/opt/torvelle.v2.bin"), "torvelle.v2");
  EXPECT_EQ(instanceTitle("/bin/ТОРВЕЛЛЕ"), "ТОРВЕЛЛЕ");  // no multi-byte letter is split
}

TEST(SingleInstance, FindsAnUnownedApplicationWindowWithTheName) {
  const std::string exe = "/opt/torvelle/torvelle";
  const WindowEntry running{false, instanceTitle(exe), "TApplication"};
  EXPECT_TRUE(isFirstInstance({}, exe));
  EXPECT_FALSE(isFirstInstance({running}, exe));
  EXPECT_FALSE(isFirstInstance({{false, "TORVELLE", "TApplication"}}, exe));
  // A dotted name finds its running copy too.
  const std::string dotted = "/opt/torvelle.v2";
  EXPECT_FALSE(isFirstInstance({{false, instanceTitle(dotted), "TApplication"}}, dotted));
  // The same program under another file name is another instance.
  EXPECT_TRUE(isFirstInstance({running}, "/opt/torvelle/torvelle-copy"));
}

TEST(SingleInstance, IgnoresOwnedWindowsAndOtherClasses) {
  const std::string exe = "/opt/torvelle/torvelle";
  EXPECT_TRUE(isFirstInstance({{true, "Torvelle", "TApplication"}}, exe));
  EXPECT_TRUE(isFirstInstance({{false, "Torvelle", "tapplication"}}, exe));
  EXPECT_TRUE(isFirstInstance({{false, "Torvelle", "QWidget"}}, exe));
  EXPECT_TRUE(isFirstInstance({{false, "Torvelle 2", "TApplication"}}, exe));
  // The walk goes on past windows that do not match.
  EXPECT_FALSE(isFirstInstance({{true, "Torvelle", "TApplication"},
                                {false, "Torvelle", "Other"},
                                {false, "Torvelle", "TApplication"}},
                               exe));
  EXPECT_FALSE(isFirstInstance({{false, "Torvelle", "Marker"}}, exe, "Marker"));
}
