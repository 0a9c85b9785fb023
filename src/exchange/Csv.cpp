#include "exchange/Csv.h"

#include "exchange/TextCodec.h"

namespace torvelle::exchange {

std::string csvField(std::string_view value) {
  if (value.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(value);
  std::string out = "\"";
  for (const char ch : value) {
    if (ch == '"') out += '"';
    out += ch;
  }
  out += '"';
  return out;
}

std::string csvRecord(const std::vector<std::string>& fields) {
  if (fields.size() == 1 && fields[0].empty()) return "\"\"\n";
  std::string out;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) out += ',';
    out += csvField(fields[i]);
  }
  out += '\n';
  return out;
}

CsvReader::CsvReader(std::string_view text) : text_(text) {
  if (text_.starts_with("\xEF\xBB\xBF")) pos_ = 3;
}

// Steps over one line end (LF, CR or CRLF) at `pos`.
void CsvReader::endLine(std::size_t& pos) {
  if (text_[pos] == '\r' && pos + 1 < text_.size() && text_[pos + 1] == '\n') ++pos;
  ++pos;
  ++line_;
}

// A quoted field from its opening quote on; the closing quote must end it.
void CsvReader::readQuoted(std::string& field) {
  const std::size_t quoteLine = line_;
  ++pos_;
  while (true) {
    if (pos_ >= text_.size()) {
      throw TextError("line " + std::to_string(quoteLine) + ": quote not closed");
    }
    const char ch = text_[pos_];
    if (ch == '"') {
      if (pos_ + 1 < text_.size() && text_[pos_ + 1] == '"') {
        field += '"';
        pos_ += 2;
        continue;
      }
      ++pos_;
      break;
    }
    if (ch == '\n' || (ch == '\r' && (pos_ + 1 >= text_.size() || text_[pos_ + 1] != '\n'))) {
      ++line_;
    }
    field += ch;
    ++pos_;
  }
  if (pos_ < text_.size() && text_[pos_] != ',' && text_[pos_] != '\n' && text_[pos_] != '\r') {
    throw TextError("line " + std::to_string(line_) + ": text after a closing quote");
  }
}

bool CsvReader::next(std::vector<std::string>& fields) {
  fields.clear();
  // Blank lines carry no record.
  while (pos_ < text_.size() && (text_[pos_] == '\n' || text_[pos_] == '\r')) endLine(pos_);
  if (pos_ >= text_.size()) return false;
  recordLine_ = line_;

  std::string field;
  while (true) {
    if (pos_ < text_.size() && text_[pos_] == '"') {
      readQuoted(field);
    } else {
      // An unquoted field runs to the next comma or line end; a stray quote
      // in it is taken as it is.
      const std::size_t end = text_.find_first_of(",\r\n", pos_);
      const std::size_t stop = end == std::string_view::npos ? text_.size() : end;
      field.append(text_.substr(pos_, stop - pos_));
      pos_ = stop;
    }
    fields.push_back(std::move(field));
    field.clear();
    if (pos_ >= text_.size()) return true;
    if (text_[pos_] == ',') {
      ++pos_;
      continue;
    }
    endLine(pos_);
    return true;
  }
}

}  // namespace torvelle::exchange
