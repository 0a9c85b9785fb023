#pragma once
#include <QApplication>
#include <QtGlobal>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>

#include "engine/ShippedTables.h"

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

// A new private folder holding the seven empty tables.
inline std::filesystem::path newTablesFolder() {
  std::string pattern = (std::filesystem::temp_directory_path() / "torvelle-bench-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  const std::filesystem::path root = pattern;
  engine::createShippedTables(root);
  return root;
}

}  // namespace torvelle::bench
