#pragma once
#include <QApplication>
#include <QtGlobal>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "BenchRegistry.h"
#include "engine/FieldText.h"
#include "engine/RecordView.h"
#include "engine/ShippedTables.h"
#include "engine/Table.h"
#include "engine/format/TableFile.h"

namespace torvelle::bench {

// An offscreen application for the benchmarks that drive widgets; null when
// one is running already.
inline std::unique_ptr<QApplication> startGuiBench() {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static int argc = 1;
  static char name[] = "torvelle-bench";
  static char* argv[] = {name, nullptr};
  if (qApp) return nullptr;
  return std::make_unique<QApplication>(argc, argv);
}

// A new private folder holding the seven empty tables, in `codePage`.
inline std::filesystem::path newTablesFolder(int codePage = engine::kDesignedCodePage) {
  std::string pattern = (std::filesystem::temp_directory_path() / "torvelle-bench-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  const std::filesystem::path root = pattern;
  engine::createShippedTables(root, codePage);
  return root;
}

// Contacts spread over the sections of a tables folder; every seventh is
// Cyrillic, or German in a Western folder.
inline void generatePhones(const std::filesystem::path& root, int records, int sections,
                           bool western = false) {
  format::OpenOptions options;
  options.writable = true;
  options.sync = false;
  {
    auto file = format::TableFile::open(root / "DB/Phones/PhoneSections.db", options);
    for (int s = 0; s < sections; ++s) file->insert({"Section " + std::to_string(100 + s)});
  }
  auto file = format::TableFile::open(root / "DB/Phones/Phones.db", options);
  for (int i = 0; i < records; ++i) {
    const std::string n = std::to_string(i);
    const bool own = i % 7 == 0;
    const bool cyr = own && !western;
    const bool de = own && western;
    file->insert({"Section " + std::to_string(100 + i % sections),
                  (cyr  ? "Иванов Пётр "
                   : de ? "Müller Jürgen "
                        : "Smith John ") +
                      n,
                  "+7 495 " + n, "+7 499 " + n,
                  cyr  ? "Россия"
                  : de ? "Deutschland"
                       : "United Kingdom",
                  std::to_string(100000 + i),
                  cyr  ? "Москва"
                  : de ? "München"
                       : "London",
                  "Baker street " + n, "+7 916 " + n, n, "user" + n + "@example.org",
                  "www.example" + n + ".org"});
  }
}

// Tasks, twenty a day from 2020-01-01; every seventh Cyrillic, every third
// done.
inline void generateTasks(const std::filesystem::path& root, int records) {
  format::OpenOptions options;
  options.writable = true;
  options.sync = false;
  auto file = format::TableFile::open(root / "DB/Tasks/Tasks.db", options);
  const std::int32_t firstDay = engine::dayFromCivil(2020, 1, 1)->day;
  for (int i = 0; i < records; ++i)
    file->insert(
        {format::Date{firstDay + i / 20}, format::Time{(i % 20) * 3600000},
         std::string(i % 7 == 0 ? "Позвонить в банк " : "Buy milk and bread ") + std::to_string(i),
         i % 3 == 0, std::monostate{}});
}

// Where a filter keystroke goes, over `table` filtered by its page's rule:
// the rule alone over every record; the engine's re-filter with a rule
// that costs nothing (the reset, the grid's new rows and the detail edits
// refreshed); painting. Reported as `prefix`_display_rule_100k and so on.
inline void reportKeystrokeParts(const std::string& prefix, engine::Table& table,
                                 const std::function<void()>& paint) {
  const auto rule = table.events().filterRecord;
  std::vector<double> ruleOnly, engineOnly, paintOnly;
  for (int round = 0; round < 5; ++round) {
    table.events().filterRecord = [](const engine::RecordView&) { return true; };
    engineOnly.push_back(millis([&] { table.setFiltered(true); }));
    ruleOnly.push_back(millis([&] {
      int passed = 0;
      for (std::size_t i = 0; i < table.rowCount(); ++i) passed += rule(table.row(i)) ? 1 : 0;
      if (passed < 0) std::abort();
    }));
    table.events().filterRecord = rule;
    table.setFiltered(true);
    paintOnly.push_back(millis(paint));
  }
  report(prefix + "_display_rule_100k", medianOf(ruleOnly), "ms");
  report(prefix + "_refilter_trivial_rule_with_views_100k", medianOf(engineOnly), "ms");
  report(prefix + "_paint_first_screen", medianOf(paintOnly), "ms");
}

}  // namespace torvelle::bench
