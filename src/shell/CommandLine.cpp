#include "shell/CommandLine.h"

#include <QCommandLineParser>

namespace torvelle::shell {

namespace {

QString helpText() {
  return QStringLiteral(
      "Usage: torvelle [options]\n"
      "Torvelle: day planner, phone book, important dates and helpful links.\n"
      "\n"
      "Options:\n"
      "  -h          Start hidden, in the notification area.\n"
      "  --data DIR  Keep the settings and tables in DIR.\n"
      "  -?, --help  Show this help and exit.\n"
      "  --version   Show the version and exit.\n"
      "\n"
      "Without --data the data stays beside the program when that folder holds DB/\n"
      "and may be written to, else it goes to $XDG_DATA_HOME/torvelle\n"
      "(~/.local/share/torvelle).\n");
}

}  // namespace

TCommandLine parseCommandLine(const QStringList& arguments) {
  QCommandLineParser parser;
  const QCommandLineOption hidden(QStringLiteral("h"));
  const QCommandLineOption data(QStringLiteral("data"), QString(), QStringLiteral("DIR"));
  const QCommandLineOption help(QStringList{QStringLiteral("help"), QStringLiteral("?")});
  const QCommandLineOption version(QStringLiteral("version"));
  parser.addOptions({hidden, data, help, version});

  TCommandLine result;
  // The parser expects the program name first.
  const bool parsed = parser.parse(QStringList{QStringLiteral("torvelle")} + arguments);
  if (!parsed || (parser.isSet(data) && parser.value(data).isEmpty())) {
    const QString reason = parsed ? QStringLiteral("--data needs a folder.") : parser.errorText();
    result.action = TCommandLine::Action::Refuse;
    result.text = QStringLiteral("torvelle: %1\nTry 'torvelle --help'.\n").arg(reason);
    return result;
  }
  if (parser.isSet(help)) {
    result.action = TCommandLine::Action::ShowHelp;
    result.text = helpText();
  } else if (parser.isSet(version)) {
    result.action = TCommandLine::Action::ShowVersion;
    result.text = QStringLiteral("torvelle %1\n").arg(QStringLiteral(TORVELLE_VERSION));
  }
  result.dataFolder = parser.value(data);
  if (parser.isSet(hidden)) result.arguments << QStringLiteral("-h");
  result.arguments << parser.positionalArguments();
  return result;
}

}  // namespace torvelle::shell
