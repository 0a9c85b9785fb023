#pragma once
#include <cstddef>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace torvelle::support {

// A profile (INI) file: "[Section]" lines open sections, "key=value" lines
// hold the settings. Sections and keys match without regard to letter case
// (the program's own fold) and the first match wins; a value is the text
// after the first '=' without the blanks around it and without one pair of
// matching quotes, cut at kMaxValueBytes. A missing or unreadable file reads
// as empty. Texts in and out are UTF-8.
//
// Every write re-reads the file, changes only the lines it must (comments,
// unknown lines, other sections and the line-ending style stay byte for byte)
// and replaces the file atomically, so a crash never leaves it half written.
// A write that fails throws IoError "Unable to write to <path>" and leaves
// both the file and this object as they were.
class ProfileFile {
 public:
  enum class Encoding {
    Utf8,              // the settings file
    Cp1251UnlessUtf8,  // language files: cp1251 unless the whole file is valid UTF-8
  };

  static constexpr std::size_t kMaxValueBytes = 2047;

  struct Entry {
    std::string_view section;
    std::string_view key;
    std::string_view value;
  };

  explicit ProfileFile(std::filesystem::path path, Encoding encoding = Encoding::Utf8);

  const std::filesystem::path& path() const noexcept { return path_; }
  // Whether a file was there when it was last read or written.
  bool exists() const noexcept { return content_.existed; }
  // Reads the file again, for changes made by others.
  void reload();

  // The value of the key, or nothing when the section or the key is missing.
  std::optional<std::string> value(std::string_view section, std::string_view key) const;
  std::string readString(std::string_view section, std::string_view key,
                         std::string_view defaultValue) const;
  // Decimal or "0x" hexadecimal; a missing key or a value that is not a
  // number in the range of int gives the default.
  int readInteger(std::string_view section, std::string_view key, int defaultValue) const;
  // An integer, true when not 0.
  bool readBool(std::string_view section, std::string_view key, bool defaultValue) const;

  // Replaces the key's value in place, or adds the key at the end of its
  // section, or adds the section at the end of the file. A section, key or
  // value that the format cannot hold (a line break, ']' in a section, '='
  // in a key) throws std::invalid_argument; a text that a cp1251 file cannot
  // hold throws CodePageError. Neither touches the file.
  void writeString(std::string_view section, std::string_view key, std::string_view value);
  void writeInteger(std::string_view section, std::string_view key, int value);
  void writeBool(std::string_view section, std::string_view key, bool value);
  // Several writes, applied in order, reaching the disk as one replacement.
  void writeStrings(std::span<const Entry> entries);

 private:
  struct Line {
    enum class Kind { Other, Section, Entry };
    std::string raw;  // the line's bytes as in the file, without its terminator
    std::string eol;  // "\r\n", "\n", or "" for a last line without one
    Kind kind = Kind::Other;
    bool matchable = false;      // its name decoded cleanly
    std::string name;            // folded section name or key
    std::size_t valueStart = 0;  // where an entry's value begins in `raw`
  };

  struct Content {
    bool existed = false;
    bool bom = false;
    bool cp1251 = false;
    std::string eol = "\n";
    std::vector<Line> lines;
  };

  static Content parse(std::string_view bytes, Encoding encoding);
  static Line parseLine(std::string raw, std::string eol, bool cp1251);
  Content load() const;
  static std::size_t findSection(const Content& content, std::string_view folded);
  static std::size_t findKey(const Content& content, std::size_t section, std::string_view folded);
  static void apply(Content& content, const Entry& entry);
  static std::string serialize(const Content& content);

  std::filesystem::path path_;
  Encoding encoding_;
  Content content_;
};

}  // namespace torvelle::support
