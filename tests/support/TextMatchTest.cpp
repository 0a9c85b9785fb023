#include "support/TextMatch.h"

#include <gtest/gtest.h>

#include <cstdint>

#include "support/Utf8.h"

using namespace torvelle::support;

namespace {
// As a plain number, so that a failure can print it.
std::uint32_t up(char32_t c) {
  return upperChar(c);
}
std::uint32_t code(char32_t c) {
  return c;
}
}  // namespace

TEST(UpperChar, FoldsExactlyTheTwoAlphabets) {
  int changed = 0;
  for (char32_t c = 0; c < 0x500; ++c) {
    const char32_t up = upperChar(c);
    if (up == c) continue;
    ++changed;
    EXPECT_TRUE((c >= U'a' && c <= U'z') || (c >= 0x0430 && c <= 0x044F)) << code(c);
    EXPECT_EQ(code(up), code(c - 0x20));
  }
  EXPECT_EQ(changed, 26 + 32);
  EXPECT_EQ(up(U'а'), code(U'А'));
  EXPECT_EQ(up(U'я'), code(U'Я'));
  EXPECT_EQ(up(U'ё'), code(U'ё'));
  EXPECT_EQ(up(U'і'), code(U'і'));
  EXPECT_EQ(up(U'ґ'), code(U'ґ'));
  EXPECT_EQ(up(U'é'), code(U'é'));
}

TEST(UpperCase, AgreesWithTheCharacterFoldOnEveryCharacter) {
  // Every code point up to U+0500 and a few beyond, each through both paths.
  std::string text, expected;
  for (char32_t c = 1; c < 0x500; ++c) {
    appendUtf8(text, c);
    appendUtf8(expected, upperChar(c));
  }
  for (const char32_t c : {U'€', U'日', U'😀'}) {
    appendUtf8(text, c);
    appendUtf8(expected, c);
  }
  EXPECT_EQ(upperCase(text), expected);
  EXPECT_EQ(upperCase("ёжик"), "ёЖИК");
  EXPECT_EQ(upperCase("абвгдежзийклмнопрстуфхцчшщъыьэюя"), "АБВГДЕЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ");
  EXPECT_EQ(upperCase("Ёлка, ўї є"), "ЁЛКА, ўї є");
}

TEST(UpperCase, LeavesBrokenUtf8BytesAlone) {
  // A lone lead byte before a letter, stray continuations, a cut-off letter.
  EXPECT_EQ(upperCase("\xD0z\xB0\xBF\xD1"), "\xD0Z\xB0\xBF\xD1");
  EXPECT_EQ(upperCase("\xE0\xA0\xD0\xB0"), "\xE0\xA0\xD0\x90");
  EXPECT_EQ(upperCase(std::string(300, 'q')), std::string(300, 'Q'));
}

TEST(TextMatch, SubstringAnywhereAndEmptyPattern) {
  EXPECT_TRUE(textMatch("", "", false));
  EXPECT_TRUE(textMatch("Иванов", "", true));
  EXPECT_FALSE(textMatch("", "a", false));
  EXPECT_TRUE(textMatch("Иванов", "Ива", false));
  EXPECT_TRUE(textMatch("Иванов", "нов", false));
  EXPECT_TRUE(textMatch("a b", " ", false));
  EXPECT_FALSE(textMatch("Иванов", "ива", false));
  EXPECT_FALSE(textMatch("ab", "abc", false));
  EXPECT_FALSE(textMatch("a*c", "a?c", false));
}

TEST(TextMatch, IgnoreCaseUsesTheProgramsFold) {
  EXPECT_TRUE(textMatch("Иванов", "ива", true));
  EXPECT_TRUE(textMatch("иВАНОВ", "ИВАН", true));
  EXPECT_TRUE(textMatch("Hello World", "WORLD", true));
  EXPECT_TRUE(textMatch("Ёлка", "Ёл", true));
  EXPECT_FALSE(textMatch("Ёлка", "ёл", true));  // Ё and ё stay apart
  EXPECT_FALSE(textMatch("Straße", "STRASSE", true));
  // Longer than the stack buffer: the folding path must still work.
  const std::string longText = std::string(2000, 'x') + "Иванов";
  EXPECT_TRUE(textMatch(longText, "XИВАНОВ", true));
  EXPECT_FALSE(textMatch(longText, "XИВАНОВY", true));
}

TEST(TextMatch, NeverMatchesPartOfACharacter) {
  // "р" is D1 80, "а" is D0 B0; "ѐ" is D1 90 and "ѓ" D1 93.
  EXPECT_FALSE(textMatch("р", "\x80", false));
  EXPECT_FALSE(textMatch("ра", "\x80\xD0", false));
  EXPECT_FALSE(textMatch("а", "\xD0", false));
  EXPECT_FALSE(textMatch("а", "\xB0", true));
  EXPECT_FALSE(textMatch("日本", "\x97\xA5", false));  // middle of 日 (E6 97 A5)
  // A pattern cut from a longer sequence must not match its start either.
  EXPECT_FALSE(textMatch("日", "\xE6\x97", false));
  // But a real occurrence later in the text is still found.
  EXPECT_TRUE(textMatch("р\x80", "\x80", false));
  EXPECT_TRUE(textMatch("ра", "а", false));
}

namespace {

// The fold written the slow, obvious way: character by character.
std::string referenceFold(std::string_view text) {
  std::string out;
  for (std::size_t pos = 0; pos < text.size();) {
    const std::size_t start = pos;
    bool ok = false;
    const char32_t c = decodeUtf8(text, pos, ok);
    if (ok)
      appendUtf8(out, upperChar(c));
    else
      out.append(text.substr(start, pos - start));
  }
  return out;
}

}  // namespace

TEST(UpperCase, MatchesTheCharacterFoldOnRandomTextOfEveryLength) {
  // Bytes drawn mostly from Cyrillic leads, continuations and Latin letters,
  // so that letters and broken sequences land on every block boundary.
  const unsigned char alphabet[] = {0xD0, 0xD1, 0x80, 0x8F, 0x90, 0xAF, 0xB0, 0xBF,
                                    0xC0, 'a',  'z',  'A',  '{',  ' ',  0xE6, 0x00};
  std::uint32_t seed = 12345;
  for (int round = 0; round < 4000; ++round) {
    const std::size_t length = static_cast<std::size_t>(round % 80);
    std::string text;
    for (std::size_t i = 0; i < length; ++i) {
      seed = seed * 1664525u + 1013904223u;
      text += static_cast<char>(alphabet[(seed >> 16) % sizeof alphabet]);
    }
    ASSERT_EQ(upperCase(text), referenceFold(text)) << "length " << length;
  }
}

TEST(FindBytes, AgreesWithTheLibrarySearchAtEveryOffset) {
  // Few distinct bytes, so that partial matches and the pattern's probe
  // bytes fall on every place of a 16-byte block.
  const char alphabet[] = {'a', 'b', '1', '\xD0', '\xB0', ' '};
  std::uint32_t seed = 777;
  const auto draw = [&](std::size_t length) {
    std::string s;
    for (std::size_t i = 0; i < length; ++i) {
      seed = seed * 1664525u + 1013904223u;
      s += alphabet[(seed >> 16) % sizeof alphabet];
    }
    return s;
  };
  for (int round = 0; round < 20000; ++round) {
    const std::string text = draw(static_cast<std::size_t>(round % 70));
    const std::string pattern = draw(static_cast<std::size_t>(round % 9));
    const std::size_t from = static_cast<std::size_t>(round / 7) % 40;
    ASSERT_EQ(findBytes(text, pattern, from), std::string_view(text).find(pattern, from))
        << text << " / " << pattern << " from " << from;
  }
}

TEST(TextMatcher, AgreesWithTextMatch) {
  const char* texts[] = {"", "Иванов", "ИВАНОВ Пётр", "ivanov@example.org", "р\x80", "Ёлка"};
  const char* patterns[] = {"", "ива", "ИВАН", "Пётр", "EXAMPLE", "\x80", "ёл", "Ёл"};
  for (const bool ignoreCase : {false, true}) {
    for (const char* pattern : patterns) {
      const TextMatcher matcher(pattern, ignoreCase);
      for (const char* text : texts)
        EXPECT_EQ(matcher(text), textMatch(text, pattern, ignoreCase))
            << text << " / " << pattern << " / " << ignoreCase;
    }
  }
  EXPECT_TRUE(TextMatcher("ива", true)("Иванов"));
  EXPECT_FALSE(TextMatcher("ива", false)("Иванов"));
}

// A table's fold: 1251 keeps the designed rule, other pages fold their own
// letters, and the matchers search with it.
TEST(CaseFold, EachCodePageFoldsItsOwnLetters) {
  struct Case {
    int codePage;
    const char* text;
    const char* pattern;
    bool found;
  };
  const Case cases[] = {
      {1251, "Ёлка", "ёл", false},  // the designed rule: ё stays apart
      {1251, "Müller", "MÜLLER", false},
      {1252, "Müller", "MÜLLER", true},
      {1252, "Ærø, Œuvre, ÿ", "ÆRØ, ŒUVRE, Ÿ", true},
      {1252, "Straße", "STRASSE", false},  // ß has no capital of its own
      {1250, "Łódź", "ŁÓDŹ", true},
      {1253, "λόγος", "ΛΌΓΟΣ", true},  // the final sigma is a sigma
      {1254, "istanbul", "İSTANBUL", true},
      {1254, "ılık", "ILIK", true},
      {1254, "istanbul", "ISTANBUL", false},  // i pairs with İ, not I
      {1257, "Šiauliai", "ŠIAULIAI", true},
  };
  for (const Case& c : cases) {
    const CaseFold fold(c.codePage);
    EXPECT_EQ(fold.designed(), c.codePage == 1251);
    EXPECT_EQ(textMatch(c.text, c.pattern, true, fold), c.found) << c.codePage << ' ' << c.text;
    EXPECT_EQ(TextMatcher(c.pattern, true, fold)(c.text), c.found) << c.codePage << ' ' << c.text;
    // A record's folded text, as the engine keeps it, holds the folded pattern.
    EXPECT_EQ(fold(c.text).find(fold(c.pattern)) != std::string::npos, c.found) << c.codePage;
    EXPECT_FALSE(TextMatcher(c.pattern, false, fold)(c.text));
  }
  EXPECT_EQ(CaseFold(1251)("ёжик"), "ёЖИК");
}
