#pragma once
#include <QString>
#include <QStringList>
#include <optional>

#include "platform/AutoStartStore.h"
#include "platform/ShellOpen.h"

namespace torvelle::platform {

// Records every text handed to the shell, in order.
class TFakeShellOpen : public TShellOpen {
 public:
  void open(const QString& text) override { opened += text; }
  QStringList opened;
};

// An autostart entry held in memory; `writable` false makes it fail as a
// folder that cannot be written does.
class TFakeAutoStartStore : public TAutoStartStore {
 public:
  bool exists() const override { return entry.has_value(); }
  bool write(const QString& programPath) override {
    if (!writable) return fail(QStringLiteral("The autostart folder is read-only."));
    entry = programPath + QStringLiteral(" -h");
    return true;
  }
  bool remove() override {
    if (!writable)
      return entry.has_value() ? fail(QStringLiteral("The autostart folder is read-only.")) : true;
    entry.reset();
    return true;
  }

  bool writable = true;
  std::optional<QString> entry;
};

}  // namespace torvelle::platform
