#include <gtest/gtest.h>

#include "Json.h"
#include "exchange/Csv.h"
#include "exchange/TextCodec.h"

namespace torvelle::tools {
namespace {

using namespace exchange;  // the text forms moved there; the tool still tests them

using Rows = std::vector<std::vector<std::string>>;

Rows readAll(std::string_view text, std::vector<std::size_t>* lines = nullptr) {
  CsvReader reader(text);
  Rows rows;
  std::vector<std::string> fields;
  while (reader.next(fields)) {
    rows.push_back(fields);
    if (lines) lines->push_back(reader.recordLine());
  }
  return rows;
}

TEST(Csv, QuotesOnlyWhatNeedsIt) {
  EXPECT_EQ(csvField("plain text"), "plain text");
  EXPECT_EQ(csvField("a,b"), "\"a,b\"");
  EXPECT_EQ(csvField("say \"hi\""), "\"say \"\"hi\"\"\"");
  EXPECT_EQ(csvField("two\nlines"), "\"two\nlines\"");
  EXPECT_EQ(csvField("cr\r"), "\"cr\r\"");
  EXPECT_EQ(csvRecord({"a", "", "c"}), "a,,c\n");
  EXPECT_EQ(csvRecord({""}), "\"\"\n");
}

TEST(Csv, ReadsQuotedFieldsAndCountsLines) {
  const std::string text =
      "Name,Note\r\n"
      "\"Smith, John\",\"said \"\"hi\"\"\"\r\n"
      "plain,\"first\nsecond\r\nthird\"\n"
      "\n"
      "last,\n";
  std::vector<std::size_t> lines;
  const Rows rows = readAll(text, &lines);
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[1], (std::vector<std::string>{"Smith, John", "said \"hi\""}));
  EXPECT_EQ(rows[2], (std::vector<std::string>{"plain", "first\nsecond\r\nthird"}));
  EXPECT_EQ(rows[3], (std::vector<std::string>{"last", ""}));
  // The quoted line breaks and the blank line still count.
  EXPECT_EQ(lines, (std::vector<std::size_t>{1, 2, 3, 7}));
}

TEST(Csv, WrittenRecordsReadBackUnchanged) {
  const Rows rows = {{"Section", "Name", "Note"},
                     {"Друзья", "O'Hara, \"Scarlett\"", "line 1\nline 2"},
                     {"", "", ""},
                     {"x", ",", "\"\""},
                     {"trailing space ", " leading", "\r\n"}};
  std::string text;
  for (const auto& row : rows) text += csvRecord(row);
  EXPECT_EQ(readAll(text), rows);
  // A one-column table with a null row must not lose it as a blank line.
  const Rows single = {{"Section"}, {""}, {"A"}};
  std::string singleText;
  for (const auto& row : single) singleText += csvRecord(row);
  EXPECT_EQ(readAll(singleText), single);
}

TEST(Csv, ByteOrderMarkAndMissingFinalLineEnd) {
  EXPECT_EQ(readAll("\xEF\xBB\xBFId,Name\n1,x"), (Rows{{"Id", "Name"}, {"1", "x"}}));
  EXPECT_EQ(readAll("a,b,"), (Rows{{"a", "b", ""}}));
  EXPECT_TRUE(readAll("").empty());
  EXPECT_TRUE(readAll("\n\r\n").empty());
}

TEST(Csv, MalformedQuotingNamesTheLine) {
  const auto errorOf = [](std::string_view text) -> std::string {
    try {
      readAll(text);
    } catch (const TextError& e) {
      return e.what();
    }
    return "no error";
  };
  EXPECT_NE(errorOf("a,b\n1,\"open\n2,3\n").find("line 2"), std::string::npos)
      << errorOf("a,b\n1,\"open\n2,3\n");
  EXPECT_NE(errorOf("a,b\n\n1,\"x\"y\n").find("line 3"), std::string::npos)
      << errorOf("a,b\n\n1,\"x\"y\n");
}

TEST(Json, EscapesWhatJsonRequires) {
  EXPECT_EQ(jsonString("plain"), "\"plain\"");
  EXPECT_EQ(jsonString("a\"b\\c"), "\"a\\\"b\\\\c\"");
  EXPECT_EQ(jsonString("l1\nl2\r\t"), "\"l1\\nl2\\r\\t\"");
  EXPECT_EQ(jsonString(std::string("\x01\x1f\x00", 3)), "\"\\u0001\\u001f\\u0000\"");
  EXPECT_EQ(jsonString("Ёлка €"), "\"Ёлка €\"");
  EXPECT_EQ(jsonString("bad \xC3("), "\"bad \xEF\xBF\xBD(\"");
}

TEST(Json, ValuesByType) {
  EXPECT_EQ(jsonValue(format::Value{}), "null");
  EXPECT_EQ(jsonValue(std::int32_t{-5}), "-5");
  EXPECT_EQ(jsonValue(0.1), "0.1");
  EXPECT_EQ(jsonValue(std::numeric_limits<double>::quiet_NaN()), "null");
  EXPECT_EQ(jsonValue(true), "true");
  EXPECT_EQ(jsonValue(format::Date{738960}), "\"2024-03-15\"");
  EXPECT_EQ(jsonValue(format::Decimal{"-12.30"}), "-12.30");
  EXPECT_EQ(jsonValue(format::Decimal{"1.2.3"}), "\"1.2.3\"");
  EXPECT_EQ(jsonValue(format::Binary{"\x0a\xff"}), "\"0aff\"");
}

}  // namespace
}  // namespace torvelle::tools
