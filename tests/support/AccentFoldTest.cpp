#include "support/AccentFold.h"

#include <gtest/gtest.h>

using namespace torvelle::support;

// Only what the code page lacks is folded, and only to letters it holds.
TEST(AccentFold, LettersThePageLacksLoseTheirAccentsOthersStay) {
  EXPECT_EQ(foldAccents("Müller, Groß, Søren, Æsop, Łódź", 1251),
            "Muller, Gross, Soren, AEsop, Lodz");
  EXPECT_EQ(foldAccents("Łódź, Müller", 1252), "Lódz, Müller") << "1252 has ó and ü";
  EXPECT_EQ(foldAccents("Dvořák", 1250), "Dvořák");
  EXPECT_EQ(foldAccents("Ærø", 1250), "AEro") << "1250 lacks Æ and ø";
  EXPECT_EQ(foldAccents("Ёлка, Жуков", 1252), "Ёлка, Жуков") << "Cyrillic has no Latin base";
  EXPECT_EQ(foldAccents("Ёлка", 866), "Ёлка");
  EXPECT_EQ(foldAccents("Ёлка 日本", 437), "Ёлка 日本") << "no base the page holds: left to refuse";
  EXPECT_EQ(foldAccents("ἀθῆναι", 1253), "αθηναι") << "1253 holds the plain Greek letters";
}
