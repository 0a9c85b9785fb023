#include "support/AsciiText.h"

#include <gtest/gtest.h>

using namespace torvelle::support;

// Only the Latin letters fold: bytes of other scripts, including those a
// locale-aware fold would change, compare as they are.
TEST(AsciiText, FoldsLatinLettersOnly) {
  EXPECT_TRUE(equalsIgnoringAsciiCase("Due Date", "dUE dATE"));
  EXPECT_FALSE(equalsIgnoringAsciiCase("Name", "Names"));
  EXPECT_FALSE(equalsIgnoringAsciiCase("@[`{", "`{@["));  // neighbours of the letter ranges
  EXPECT_FALSE(equalsIgnoringAsciiCase("\xC4", "\xE4"));  // Latin-1 Ä and ä
  EXPECT_FALSE(equalsIgnoringAsciiCase("Имя", "ИМЯ"));
  EXPECT_EQ(asciiUpper("tasks.db\xD0\xB8"), "TASKS.DB\xD0\xB8");
  EXPECT_EQ(asciiLower("MB"), "mb");
}

TEST(AsciiText, TrimsOnlyTheGivenBlanks) {
  EXPECT_EQ(trimmed(" \t a b \t"), "a b");
  EXPECT_EQ(trimmed(" \t "), "");
  EXPECT_EQ(trimmed("\r x\r", " \t\r"), "x");
  EXPECT_EQ(trimmed("\r x\r"), "\r x\r");
}
