// libFuzzer entries for the text readers, one executable each (the reader is
// chosen when it is built, TORVELLE_FUZZ_READER): contacts, CSV, calendars,
// and the profile files behind the language files and the settings. Any
// bytes must end in the reader's own error or a result, never in a crash, a
// hang, an uncaught exception or unbounded memory.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "engine/ShippedTables.h"
#include "engine/format/TableFile.h"
#include "exchange/CsvTable.h"
#include "exchange/ExchangeError.h"
#include "exchange/ICalendar.h"
#include "exchange/TextCodec.h"
#include "exchange/TextInput.h"
#include "exchange/VCard.h"
#include "support/ProfileFile.h"

namespace {

namespace fs = std::filesystem;
using namespace torvelle;

// The shipped tables in a scratch folder, for their layouts; removed at exit.
struct Scratch {
  Scratch() {
    const char* base = fs::is_directory("/dev/shm") ? "/dev/shm" : "/tmp";
    std::string pattern = std::string(base) + "/torvelle-textfuzz-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    path = pattern;
    engine::createShippedTables(path);
    phones = format::TableFile::open(path / "DB/Phones/Phones.db", {})->info();
    tasks = format::TableFile::open(path / "DB/Tasks/Tasks.db", {})->info();
    dates = format::TableFile::open(path / "DB/Dates/Dates.db", {})->info();
  }
  ~Scratch() {
    std::error_code ec;
    fs::remove_all(path, ec);
  }
  Scratch(const Scratch&) = delete;
  Scratch& operator=(const Scratch&) = delete;
  fs::path path;
  format::TableInfo phones, tasks, dates;
};

const Scratch& scratch() {
  static const Scratch s;
  return s;
}

[[maybe_unused]] void vcard(std::string_view bytes) {
  const auto file = exchange::readVCardFile(bytes);
  for (const auto& c : file.contacts) {
    if (c.begin > c.end || c.end > file.text.size()) std::abort();
  }
}

[[maybe_unused]] void csv(std::string_view bytes) {
  const std::string text = exchange::readTextInput(bytes);
  for (const auto* info : {&scratch().phones, &scratch().tasks}) {
    exchange::ImportSummary summary;
    try {
      const auto rows = exchange::csvRows(text, *info, summary);
      for (const auto& row : rows) {
        if (row.record.size() != info->fields.size()) std::abort();
      }
    } catch (const exchange::ExchangeError&) {
    }
  }
}

[[maybe_unused]] void calendar(std::string_view bytes) {
  auto tasks = exchange::readTasksCalendar(bytes, scratch().tasks);
  exchange::settleTimes(tasks.rows, {}, scratch().tasks, "Task");
  auto dates = exchange::readDatesCalendar(bytes, scratch().dates, {}, "Imported");
  exchange::settleTimes(dates.rows, {}, scratch().dates, "Event");
}

[[maybe_unused]] void profile(std::string_view bytes, support::ProfileFile::Encoding encoding) {
  const fs::path path = scratch().path / "profile.ini";
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  support::ProfileFile file(path, encoding);
  (void)file.readString("Main form", "Caption", "");
  (void)file.readInteger("Options", "Width", 0);
  try {
    file.writeString("Options", "Fuzzed", "value");
  } catch (const std::exception&) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  try {
#if TORVELLE_FUZZ_READER == 1
    vcard(bytes);
#elif TORVELLE_FUZZ_READER == 2
    csv(bytes);
#elif TORVELLE_FUZZ_READER == 3
    calendar(bytes);
#elif TORVELLE_FUZZ_READER == 4
    profile(bytes, support::ProfileFile::Encoding::Cp1251UnlessUtf8);
#else
    profile(bytes, support::ProfileFile::Encoding::Utf8);
#endif
  } catch (const exchange::ExchangeError&) {
  } catch (const exchange::TextError&) {
  }
  return 0;
}
