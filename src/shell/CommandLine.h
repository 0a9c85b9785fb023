#pragma once
#include <QString>
#include <QStringList>

namespace torvelle::shell {

// What the command line asks for. Read before any window exists, so that
// --help and --version work without a display.
struct TCommandLine {
  enum class Action { Run, ShowHelp, ShowVersion, Refuse };
  Action action = Action::Run;
  QString text;           // the help, the version or the reason for refusing
  QString dataFolder;     // --data DIR, or empty
  QStringList arguments;  // for the start-up: "-h" first when hidden, then the rest
};

// `arguments` without the program name. -h keeps its old meaning, a start
// into the tray; help is --help or -?.
TCommandLine parseCommandLine(const QStringList& arguments);

// The exit code for a refused command line, as command-line tools use.
inline constexpr int kUsageExitCode = 2;

}  // namespace torvelle::shell
