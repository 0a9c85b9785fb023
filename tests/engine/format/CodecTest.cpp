// Field encodings against the byte patterns genuine files hold.
#include <gtest/gtest.h>

#include "engine/DbError.h"
#include "engine/format/FieldCodec.h"

namespace torvelle::format {
namespace {

std::string encoded(const FieldDef& f, const Value& v) {
  std::string out(static_cast<std::size_t>(codec::storageSize(f.type, f.size)), '\0');
  codec::encode(f, v, reinterpret_cast<std::uint8_t*>(out.data()), 1251);
  return out;
}

std::string hex(const std::string& bytes) {
  std::string out;
  char buf[4];
  for (const unsigned char c : bytes) {
    std::snprintf(buf, sizeof buf, "%02X ", c);
    out += buf;
  }
  if (!out.empty()) out.pop_back();
  return out;
}

TEST(FormatCodec, KnownEncodingsRoundTrip) {
  const FieldDef shortF{"s", FieldType::Short, 2}, longF{"l", FieldType::Long, 4},
      dateF{"d", FieldType::Date, 4}, timeF{"t", FieldType::Time, 4},
      numF{"n", FieldType::Number, 8}, tsF{"ts", FieldType::Timestamp, 8},
      bcd2{"b", FieldType::Bcd, 2}, bcd0{"b0", FieldType::Bcd, 0}, logF{"l", FieldType::Logical, 1};
  const std::vector<std::tuple<FieldDef, Value, std::string>> cases = {
      {shortF, std::int32_t{1}, "80 01"},
      {shortF, std::int32_t{-1}, "7F FF"},
      {shortF, std::int32_t{256}, "81 00"},
      {shortF, std::int32_t{-32767}, "00 01"},
      {longF, std::int32_t{-2}, "7F FF FF FE"},
      {dateF, codec::makeDate(1996, 5, 4), "80 0B 1E CF"},
      {dateF, codec::makeDate(1, 1, 1), "80 00 00 01"},
      {dateF, codec::makeDate(2024, 3, 15), "80 0B 46 90"},
      {timeF, Time{3601000}, "80 36 F2 68"},
      {timeF, Time{0}, "80 00 00 00"},
      {numF, 1.0, "BF F0 00 00 00 00 00 00"},
      {numF, -1.0, "40 0F FF FF FF FF FF FF"},
      {numF, -200.0, "3F 96 FF FF FF FF FF FF"},
      {numF, 0.0, "80 00 00 00 00 00 00 00"},
      {tsF, Timestamp{63716202001000.0}, "C2 CC F9 8A CB 19 34 00"},
      {logF, true, "81"},
      {logF, false, "80"},
      {bcd2, Decimal{"1.23"}, "C2 00 00 00 00 00 00 00 00 00 00 00 00 00 00 01 23"},
      {bcd2, Decimal{"-1.23"}, "42 FF FF FF FF FF FF FF FF FF FF FF FF FF FF FE DC"},
      {bcd0, Decimal{"-1"}, "40 FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FE"},
  };
  for (const auto& [field, value, bytes] : cases) {
    const std::string enc = encoded(field, value);
    EXPECT_EQ(hex(enc), bytes) << field.name;
    EXPECT_EQ(codec::decode(field, reinterpret_cast<const std::uint8_t*>(enc.data()), 1251), value)
        << field.name << " " << bytes;
  }
  int y = 0;
  unsigned m = 0, d = 0;
  codec::splitDate(codec::makeDate(2000, 2, 29), y, m, d);
  EXPECT_EQ(std::make_tuple(y, m, d), std::make_tuple(2000, 2u, 29u));
}

TEST(FormatCodec, NullIsAllZeroAndDistinct) {
  for (const FieldDef& f :
       {FieldDef{"a", FieldType::Alpha, 5}, FieldDef{"s", FieldType::Short, 2},
        FieldDef{"l", FieldType::Long, 4}, FieldDef{"n", FieldType::Number, 8},
        FieldDef{"b", FieldType::Bcd, 3}, FieldDef{"g", FieldType::Logical, 1}}) {
    const std::string enc = encoded(f, Value{});
    EXPECT_EQ(enc, std::string(enc.size(), '\0')) << f.name;
    EXPECT_TRUE(isNull(codec::decode(f, reinterpret_cast<const std::uint8_t*>(enc.data()), 1251)));
  }
  // Zero and false are values, not null.
  EXPECT_FALSE(
      isNull(codec::decode({"s", FieldType::Short, 2},
                           reinterpret_cast<const std::uint8_t*>(
                               encoded({"s", FieldType::Short, 2}, std::int32_t{0}).data()),
                           1251)));
}

TEST(FormatCodec, RefusesWhatTheFieldCannotHold) {
  using engine::DbError;
  const auto refused = [](const FieldDef& f, const Value& v) {
    try {
      encoded(f, v);
      return false;
    } catch (const DbError& e) {
      return e.kind() == DbError::Kind::InvalidValue &&
             std::string(e.what()).find(f.name) != std::string::npos;
    }
  };
  EXPECT_TRUE(refused({"Count", FieldType::Short, 2}, std::int32_t{-32768}));
  EXPECT_TRUE(refused({"Count", FieldType::Short, 2}, std::int32_t{40000}));
  EXPECT_TRUE(refused({"Big", FieldType::Long, 4}, std::int32_t{INT32_MIN}));
  EXPECT_TRUE(refused({"Amount", FieldType::Bcd, 2}, Decimal{"1.234"}));
  EXPECT_TRUE(refused({"Amount", FieldType::Bcd, 2}, Decimal{"12abc"}));
  EXPECT_TRUE(refused({"When", FieldType::Time, 4}, Time{86400000}));
  EXPECT_TRUE(refused({"Name", FieldType::Alpha, 3}, std::string("abcd")));
  EXPECT_TRUE(refused({"Name", FieldType::Alpha, 3}, std::string("a\0b", 3)));
  EXPECT_FALSE(refused({"Name", FieldType::Alpha, 10}, std::string("€uro")));  // 1251 has the euro
  EXPECT_TRUE(refused({"Name", FieldType::Alpha, 10}, std::string("日本")));
  EXPECT_TRUE(refused({"Name", FieldType::Alpha, 10}, std::int32_t{5}));
}

}  // namespace
}  // namespace torvelle::format
