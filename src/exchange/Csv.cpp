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

char sniffDelimiter(std::string_view text) {
  std::size_t comma = 0, semicolon = 0, tab = 0;
  bool quoted = false;
  for (const char ch : text) {
    if (ch == '"') quoted = !quoted;
    if (quoted) continue;
    if (ch == '\n' || ch == '\r') break;
    comma += ch == ',';
    semicolon += ch == ';';
    tab += ch == '\t';
  }
  if (tab > comma && tab >= semicolon) return '\t';
  if (semicolon > comma) return ';';
  return ',';
}

CsvReader::CsvReader(std::string_view text, char delimiter) : text_(text), delimiter_(delimiter) {
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
      if (!lenient_) throw TextError("line " + std::to_string(quoteLine) + ": quote not closed");
      fault_ = "a quote opened on line " + std::to_string(quoteLine) + " is never closed";
      return;
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
  if (pos_ < text_.size() && text_[pos_] != delimiter_ && text_[pos_] != '\n' &&
      text_[pos_] != '\r') {
    if (!lenient_)
      throw TextError("line " + std::to_string(line_) + ": text after a closing quote");
    // Spreadsheets write `"a"b` for what they mean as `ab`.
    const std::size_t stop = text_.find_first_of(std::string{delimiter_, '\r', '\n'}, pos_);
    const std::size_t end = stop == std::string_view::npos ? text_.size() : stop;
    field.append(text_.substr(pos_, end - pos_));
    pos_ = end;
  }
}

bool CsvReader::next(std::vector<std::string>& fields) {
  fields.clear();
  // Blank lines carry no record.
  while (pos_ < text_.size() && (text_[pos_] == '\n' || text_[pos_] == '\r')) endLine(pos_);
  if (pos_ >= text_.size()) return false;
  recordLine_ = line_;
  recordBegin_ = pos_;
  fault_.clear();
  const char stops[] = {delimiter_, '\r', '\n', '\0'};

  std::string field;
  while (true) {
    if (pos_ < text_.size() && text_[pos_] == '"') {
      readQuoted(field);
    } else {
      // An unquoted field runs to the next comma or line end; a stray quote
      // in it is taken as it is.
      const std::size_t end = text_.find_first_of(stops, pos_);
      const std::size_t stop = end == std::string_view::npos ? text_.size() : end;
      field.append(text_.substr(pos_, stop - pos_));
      pos_ = stop;
    }
    fields.push_back(std::move(field));
    field.clear();
    if (pos_ >= text_.size()) return true;
    if (text_[pos_] == delimiter_) {
      ++pos_;
      continue;
    }
    endLine(pos_);
    return true;
  }
}

}  // namespace torvelle::exchange
