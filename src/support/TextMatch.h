#pragma once
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace torvelle::support {

// The one letter-case fold of the program: exactly a-z and а-я (U+0430 to
// U+044F) become their capitals; every other character, ё and the other
// Cyrillic letters outside that run included, stays as it is. This is the
// cp1251 byte rule carried over to UTF-8 text.
char32_t upperChar(char32_t c) noexcept;

// `text` with every character passed through upperChar. The result has the
// same length in bytes; bytes that are not well-formed UTF-8 pass unchanged.
// Callers that cache folded texts must fold with this function.
std::string upperCase(std::string_view text);

// The ignore-case fold of one table's text. Tables in code page 1251, and
// every text that belongs to no table, keep upperCase's rule. A table in
// another code page folds the small letters of its own page onto their
// capitals (ü onto Ü in 1252, ά onto Ά in 1253); Turkish pages pair ı with
// I and i with İ. Its results may differ in length from the text.
class CaseFold {
 public:
  CaseFold() = default;  // upperCase's rule
  explicit CaseFold(int codePage);
  std::string operator()(std::string_view text) const;
  // True when the fold is upperCase's rule.
  bool designed() const { return letters_ == nullptr; }
  friend bool operator==(const CaseFold&, const CaseFold&) = default;

 private:
  // Small letter beyond ASCII and its capital, sorted.
  const std::vector<std::pair<char32_t, char32_t>>* letters_ = nullptr;
  bool turkish_ = false;
};

// True when `pattern` is empty or occurs in `text` on whole characters (a
// pattern never matches part of a multi-byte character). With `ignoreCase`
// both sides are folded with upperCase first. Runs per field per record on
// every keystroke of a filter: the case-sensitive path never allocates and
// the folding path allocates only for long texts.
bool textMatch(std::string_view text, std::string_view pattern, bool ignoreCase);
// The same, folded by a table's own fold.
bool textMatch(std::string_view text, std::string_view pattern, bool ignoreCase,
               const CaseFold& fold);

// Where `pattern` first occurs on whole characters in `text` at or after
// `from`, compared as given (no fold); npos when nowhere or when the pattern
// is empty. For one pass over many texts joined into one.
std::size_t findWhole(std::string_view text, std::string_view pattern, std::size_t from = 0);

// text.find(pattern, from), byte for byte, made for the short patterns and
// texts of a filter, where it is several times faster.
std::size_t findBytes(std::string_view text, std::string_view pattern, std::size_t from = 0);

// textMatch with the pattern prepared once, for a filter that tests the same
// pattern against many texts: the pattern is folded only here.
class TextMatcher {
 public:
  TextMatcher(std::string_view pattern, bool ignoreCase, CaseFold fold = {});
  bool operator()(std::string_view text) const;

 private:
  std::string pattern_;  // folded when ignoring case
  bool ignoreCase_;
  CaseFold fold_;
};

}  // namespace torvelle::support
