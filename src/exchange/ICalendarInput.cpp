#include "exchange/ICalendarInput.h"

#include <optional>

#include "exchange/ExchangeError.h"
#include "support/AsciiText.h"

namespace torvelle::exchange {
namespace {

using support::asciiUpper;

// "BEGIN:VTODO" -> "VTODO" when `line` is such a line of `word`.
std::optional<std::string> boundary(std::string_view line, std::string_view word) {
  if (line.size() <= word.size() || line[word.size()] != ':') return std::nullopt;
  if (!support::equalsIgnoringAsciiCase(line.substr(0, word.size()), word)) return std::nullopt;
  return asciiUpper(support::trimmed(line.substr(word.size() + 1), support::kAsciiWhiteSpace));
}

// Cuts `line` to `size` bytes, not inside a UTF-8 character or an escape.
std::string_view cut(std::string_view line, std::size_t size) {
  while (size > 0 && (static_cast<unsigned char>(line[size]) & 0xC0) == 0x80) --size;
  while (size > 0 && line[size - 1] == '\\') --size;
  return line.substr(0, size);
}

class Preparer {
 public:
  explicit Preparer(std::string_view text) : text_(text) { out_.text.reserve(text.size()); }

  PreparedCalendar run() {
    std::size_t start = 0;
    while (start < text_.size()) {
      auto end = text_.find('\n', start);
      end = end == std::string_view::npos ? text_.size() : end + 1;
      std::string_view line = text_.substr(start, end - start);
      while (line.ends_with('\n') || line.ends_with('\r')) line.remove_suffix(1);
      ++lineNo_;
      physical(line, start, end);
      start = end;
    }
    if (!sawCalendar_) throw ExchangeError("no calendar (BEGIN:VCALENDAR) in the file");
    if (depth_ > 0) endOfFileInside();
    return std::move(out_);
  }

 private:
  void physical(std::string_view line, std::size_t begin, std::size_t end) {
    if (!line.empty() && (line[0] == ' ' || line[0] == '\t')) {
      if (depth_ == 0 || dropping_) return;
      logical_ += line.size() - 1;
      if (logical_ > maxCalendarProperty) return cutProperty();
      return emit(line);
    }
    logical_ = line.size();
    propertyCut_ = false;
    if (const auto kind = boundary(line, "BEGIN")) return begin_(*kind, line, begin);
    if (const auto kind = boundary(line, "END")) return end_(*kind, line, end);
    if (depth_ == 0 || dropping_) return;
    if (logical_ > maxCalendarProperty) {
      cutProperty();
      return emit(cut(line, maxCalendarProperty));
    }
    emit(line);
  }

  void begin_(const std::string& kind, std::string_view line, std::size_t begin) {
    if (depth_ == 0) {
      if (kind != "VCALENDAR") return;  // text between calendars
      sawCalendar_ = true;
    }
    ++depth_;
    if (depth_ <= maxCalendarDepth + 1) kinds_.push_back(kind);
    if (depth_ == 2) {
      out_.items.push_back({kind, lineNo_, begin, begin, {}});
      itemStart_ = out_.text.size();
    }
    if (depth_ > maxCalendarDepth && !dropping_) {
      out_.items.back().refusal =
          "components nested deeper than " + std::to_string(maxCalendarDepth) + " levels";
      dropping_ = true;
    }
    if (!dropping_) emit(line);
  }

  void end_(const std::string& kind, std::string_view line, std::size_t end) {
    if (depth_ == 0) return;  // lines after END:VCALENDAR
    // An END that closes another kind (a line cut short) closes nothing.
    if (depth_ <= maxCalendarDepth + 1 && kinds_.back() != kind) return;
    if (depth_ <= maxCalendarDepth + 1) kinds_.pop_back();
    --depth_;
    if (!dropping_) emit(line);
    if (depth_ != 1) return;
    auto& item = out_.items.back();
    item.end = end;
    if (dropping_) {
      out_.text.resize(itemStart_);
      dropping_ = false;
    }
  }

  void endOfFileInside() {
    if (depth_ >= 2) {
      auto& item = out_.items.back();
      item.end = text_.size();
      if (item.refusal.empty()) {
        item.refusal = "the file ends inside this " + item.kind + "; it is cut short";
      }
      out_.text.resize(itemStart_);
    }
    out_.notes.emplace_back("the file ends before END:VCALENDAR");
    out_.text += "END:VCALENDAR\r\n";
  }

  void cutProperty() {
    if (propertyCut_) return;
    propertyCut_ = true;
    ++out_.notStored["text longer than " + std::to_string(maxCalendarProperty / 1024) +
                     " KiB, cut there"];
  }

  void emit(std::string_view line) {
    out_.text.append(line);
    out_.text += "\r\n";
  }

  std::string_view text_;
  std::vector<std::string> kinds_;  // open components, as deep as we keep them
  PreparedCalendar out_;
  std::size_t lineNo_ = 0;
  std::size_t logical_ = 0;
  std::size_t itemStart_ = 0;
  int depth_ = 0;
  bool sawCalendar_ = false;
  bool dropping_ = false;
  bool propertyCut_ = false;
};

}  // namespace

PreparedCalendar prepareCalendar(std::string_view text) {
  return Preparer(text).run();
}

}  // namespace torvelle::exchange
