#include "support/CodePage.h"

#include <gtest/gtest.h>

#include "support/Utf8.h"

using namespace torvelle::support;

TEST(CodePage, CyrillicRoundTripsThrough1251) {
  const std::string text = "Привет, ёжик! Ё №";
  const std::string bytes = fromUtf8(text, 1251);
  EXPECT_EQ(bytes.size(), 17u);                           // one byte per character
  EXPECT_EQ(static_cast<unsigned char>(bytes[0]), 0xCF);  // П
  EXPECT_EQ(static_cast<unsigned char>(bytes[8]), 0xB8);  // ё
  EXPECT_EQ(toUtf8(bytes, 1251), text);
}

TEST(CodePage, SameCharacterHasDifferentBytesPerPage) {
  EXPECT_EQ(fromUtf8("Ж", 866), "\x86");
  EXPECT_EQ(fromUtf8("é", 1252), "\xE9");
  EXPECT_EQ(fromUtf8("é", 850), "\x82");
  EXPECT_EQ(fromUtf8("é", 437), "\x82");
  EXPECT_EQ(fromUtf8("€", 1252), "\x80");
}

TEST(CodePage, UnrepresentableCharacterIsNamedNotReplaced) {
  try {
    fromUtf8("Straße ж", 1252);
    FAIL() << "a Cyrillic letter went into cp1252";
  } catch (const CodePageError& e) {
    const std::string what = e.what();
    EXPECT_NE(what.find("U+0436"), std::string::npos) << what;
    EXPECT_NE(what.find("1252"), std::string::npos) << what;
  }
  EXPECT_FALSE(representable("日本", 1251));
  EXPECT_TRUE(representable("plain ascii", 437));
}

TEST(CodePage, EveryByteSurvivesARoundTrip) {
  std::string all;
  for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
  for (const int cp : {437, 850, 866, 1251, 1252}) {
    const std::string utf8 = toUtf8(all, cp);
    EXPECT_TRUE(isValidUtf8(utf8));
    EXPECT_EQ(fromUtf8(utf8, cp), all) << "code page " << cp;
  }
}

TEST(CodePage, SizeIsThatOfTheConvertedTextAndFailsAlike) {
  for (const char* text : {"", "abc", "Москва", "ул. Тверская, 5", "€uro"})
    EXPECT_EQ(sizeInCodePage(text, 1251), fromUtf8(text, 1251).size()) << text;
  EXPECT_THROW(sizeInCodePage("Straße ж", 1252), CodePageError);
  EXPECT_THROW(sizeInCodePage("abc\xD0", 1251), CodePageError);
}

TEST(CodePage, RejectsBrokenUtf8AndUnknownPages) {
  EXPECT_THROW(fromUtf8("abc\xD0", 1251), CodePageError);
  EXPECT_THROW(fromUtf8("\xC0\xAF", 1251), CodePageError);  // overlong '/'
  EXPECT_THROW(toUtf8("abc", 12345), CodePageError);
  EXPECT_FALSE(codePageSupported(936));
  EXPECT_TRUE(codePageSupported(1251));
}
