#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QStandardPaths>
#include <QStringList>
#include <cstdio>
#include <exception>

#include "platform/AutoStartStore.h"
#include "platform/LinuxNotifyArea.h"
#include "platform/MarkerInstanceList.h"
#include "platform/ShellOpen.h"
#include "shell/Application.h"
#include "shell/CommandLine.h"
#include "shell/Startup.h"
#include "shell/UserLanguage.h"
#include "store/DataFolder.h"
#include "toolkit/ErrorBox.h"

namespace {

QStringList argumentsOf(int argc, char** argv) {
  QStringList out;
  for (int i = 1; i < argc; ++i) out << QString::fromLocal8Bit(argv[i]);
  return out;
}

std::filesystem::path localPath(const QString& path) {
  return std::filesystem::path(QFile::encodeName(path).toStdString());
}

// The folder for settings and tables, made ready; throws with a message.
QString openDataFolder(const QString& requested) {
  using namespace torvelle;
  const QString programFolder = QApplication::applicationDirPath();
  store::DataFolderInputs inputs;
  inputs.programFolder = localPath(programFolder);
  inputs.programFolderWritable = QFileInfo(programFolder).isWritable();
  inputs.requested = localPath(requested);
  inputs.userDataHome =
      localPath(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation));
  const store::DataFolder folder = store::chooseDataFolder(inputs);
  // New tables take the code page of the user's language.
  const std::filesystem::path settings =
      folder.path / localPath(QFileInfo(QApplication::applicationFilePath()).fileName())
                        .replace_extension(".ini");
  store::prepareDataFolder(folder, shell::newTablesCodePage(settings, QLocale::system()));
  return QFile::decodeName(folder.path.c_str());
}

// The user's own languages first, then those shipped beside the program (a
// build or a portable copy) or under the installed prefix's share/ folder.
QStringList languageFolders(const QString& dataFolder) {
  const QDir program(QApplication::applicationDirPath());
  QStringList folders;
  for (const QString& folder :
       {QDir(dataFolder).filePath(QStringLiteral("Languages")),
        program.filePath(QStringLiteral("Languages")),
        QDir::cleanPath(program.filePath(QStringLiteral("../share/torvelle/Languages")))})
    if (!folders.contains(folder)) folders << folder;
  return folders;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace torvelle;
  // Before the application object: --help and --version need no display.
  const shell::TCommandLine line = shell::parseCommandLine(argumentsOf(argc, argv));
  switch (line.action) {
    case shell::TCommandLine::Action::ShowHelp:
    case shell::TCommandLine::Action::ShowVersion:
      std::fputs(line.text.toLocal8Bit().constData(), stdout);
      return 0;
    case shell::TCommandLine::Action::Refuse:
      std::fputs(line.text.toLocal8Bit().constData(), stderr);
      return shell::kUsageExitCode;
    case shell::TCommandLine::Action::Run:
      break;
  }

  shell::TApplication app(argc, argv);

  platform::TMarkerInstanceList instances;
  platform::TLinuxNotifyArea notifyArea;
  platform::TLinuxShellOpen shellOpen;
  platform::TXdgAutoStartStore autoStart;

  shell::TStartupOptions options;
  options.programPath = QApplication::applicationFilePath();
  options.arguments = line.arguments;

  try {
    options.dataFolder = openDataFolder(line.dataFolder);
  } catch (...) {
    toolkit::ErrorBox::report(std::current_exception());
    return 1;
  }

  options.languageFolders = languageFolders(options.dataFolder);

  shell::TStartup startup({instances, notifyArea, shellOpen, autoStart}, std::move(options));
  try {
    if (!startup.start()) return 0;
    startup.endOnTerminationRequests();
  } catch (...) {
    // A window that cannot be made: say why rather than vanish.
    toolkit::ErrorBox::report(std::current_exception());
    return 1;
  }
  return startup.run();
}
