#pragma once
#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <filesystem>
#include <memory>
#include <string>

#include "engine/ShippedTables.h"
#include "platform/fake/FakeDesktopNotifications.h"
#include "platform/fake/FakeInstanceList.h"
#include "platform/fake/FakeNotifyArea.h"
#include "platform/fake/FakeServices.h"
#include "shell/Startup.h"
#include "toolkit/ErrorBox.h"
#include "toolkit/ToolTips.h"

// One program folder with the shipped tables, the platform fakes, and a
// start-up over them. The working folder and the error report are restored
// afterwards.
class ShellFixture {
 public:
  explicit ShellFixture(bool withTables = true) : savedCwd_(QDir::currentPath()) {
    if (withTables) torvelle::engine::createShippedTables(root());
    torvelle::toolkit::ErrorBox::setSink([this](const QString& m) { errors << m; });
    torvelle::toolkit::ToolTips::setEnabled(true);
  }
  ~ShellFixture() {
    startup.reset();
    QDir::setCurrent(savedCwd_);
    torvelle::toolkit::ErrorBox::setSink({});
    torvelle::toolkit::ToolTips::setEnabled(true);
  }
  ShellFixture(const ShellFixture&) = delete;
  ShellFixture& operator=(const ShellFixture&) = delete;

  std::filesystem::path root() const { return std::filesystem::path(dir.path().toStdString()); }
  QString programPath() const { return dir.filePath(QStringLiteral("torvelle")); }
  QString iniPath() const { return dir.filePath(QStringLiteral("torvelle.ini")); }

  QByteArray ini() const {
    QFile file(iniPath());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }
  void writeIni(const QByteArray& text) const {
    QFile file(iniPath());
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) file.write(text);
  }

  // Runs start-up to the message loop; what start() answered.
  bool start(const QStringList& arguments = {}) {
    torvelle::shell::TStartupOptions options;
    options.programPath = programPath();
    options.arguments = arguments;
    options.trace = [this](const QString& step) { steps << step; };
    options.languageFolders = languageFolders;
    options.systemLocale = systemLocale;
    startup = std::make_unique<torvelle::shell::TStartup>(
        torvelle::shell::TPlatformServices{instances, notifyArea, shellOpen, autoStart, &notes},
        std::move(options));
    return startup->start();
  }
  torvelle::shell::TMainForm& main() const { return *startup->mainForm(); }

  QTemporaryDir dir;
  torvelle::platform::TFakeInstanceList instances;
  torvelle::platform::TFakeNotifyArea notifyArea;
  torvelle::platform::TFakeShellOpen shellOpen;
  torvelle::platform::TFakeAutoStartStore autoStart;
  torvelle::platform::TFakeDesktopNotifications notes;
  std::unique_ptr<torvelle::shell::TStartup> startup;
  QStringList steps;
  QStringList errors;
  QStringList languageFolders;  // empty: Languages beside the program
  // The user's locale whatever the machine's: a first start in English.
  QLocale systemLocale{QLocale::English, QLocale::UnitedStates};

 private:
  QString savedCwd_;
};

// Protects the seven tables under `root` with `password`.
void protectTables(const std::filesystem::path& root, const std::string& password);
