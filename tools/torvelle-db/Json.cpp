#include "Json.h"

#include <cmath>

#include "exchange/TextCodec.h"
#include "support/Utf8.h"

namespace torvelle::tools {

using exchange::formatNumber;
using exchange::formatValue;

namespace {

// BCD text from the file layer is plain decimal, but a damaged file must not
// be able to break the JSON: anything else goes out as a string.
bool isJsonNumber(std::string_view text) {
  std::size_t pos = 0;
  if (pos < text.size() && text[pos] == '-') ++pos;
  const std::size_t intStart = pos;
  while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') ++pos;
  const std::size_t intDigits = pos - intStart;
  if (intDigits == 0 || (intDigits > 1 && text[intStart] == '0')) return false;
  if (pos < text.size() && text[pos] == '.') {
    ++pos;
    const std::size_t fracStart = pos;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') ++pos;
    if (pos == fracStart) return false;
  }
  return pos == text.size();
}

}  // namespace

std::string jsonString(std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out = "\"";
  std::size_t pos = 0;
  while (pos < text.size()) {
    const auto ch = static_cast<unsigned char>(text[pos]);
    if (ch >= 0x80) {
      const std::size_t len = support::utf8SequenceLength(text, pos);
      if (len == 0) {
        out += "\xEF\xBF\xBD";
        ++pos;
      } else {
        out.append(text.substr(pos, len));
        pos += len;
      }
      continue;
    }
    switch (ch) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\b':
        out += "\\b";
        break;
      case '\f':
        out += "\\f";
        break;
      default:
        if (ch < 0x20) {
          out += "\\u00";
          out += kHex[ch >> 4];
          out += kHex[ch & 0xF];
        } else {
          out += static_cast<char>(ch);
        }
    }
    ++pos;
  }
  out += '"';
  return out;
}

std::string jsonValue(const format::Value& value) {
  if (format::isNull(value)) return "null";
  if (const auto* b = std::get_if<bool>(&value)) return *b ? "true" : "false";
  if (const auto* i = std::get_if<std::int32_t>(&value)) return std::to_string(*i);
  if (const auto* d = std::get_if<double>(&value)) {
    return std::isfinite(*d) ? formatNumber(*d) : "null";
  }
  if (const auto* dec = std::get_if<format::Decimal>(&value)) {
    return isJsonNumber(dec->text) ? dec->text : jsonString(dec->text);
  }
  return jsonString(formatValue(value));
}

}  // namespace torvelle::tools
