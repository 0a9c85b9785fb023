#include "platform/DesktopEntry.h"

namespace torvelle::platform {

namespace {

bool isReserved(QChar c) {
  static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
  return reserved.contains(c);
}

bool escapedInQuotes(QChar c) {
  return c == u'"' || c == u'`' || c == u'$' || c == u'\\';
}

QString quoteArgument(const QString& argument) {
  bool quote = argument.isEmpty();
  for (const QChar c : argument) quote = quote || isReserved(c) || c == u'\r';
  QString out;
  if (quote) out += u'"';
  for (const QChar c : argument) {
    if (quote && escapedInQuotes(c)) out += u'\\';
    if (c == u'%') out += u'%';
    out += c;
  }
  if (quote) out += u'"';
  return out;
}

// The escapes every string value of the format has; they are undone before
// the Exec quoting is, so they go on last.
QString escapeString(const QString& text) {
  QString out;
  for (const QChar c : text) {
    switch (c.unicode()) {
      case u'\\':
        out += QStringLiteral("\\\\");
        break;
      case u'\n':
        out += QStringLiteral("\\n");
        break;
      case u'\t':
        out += QStringLiteral("\\t");
        break;
      case u'\r':
        out += QStringLiteral("\\r");
        break;
      default:
        out += c;
    }
  }
  // A leading blank would be trimmed away by readers of the file.
  if (out.startsWith(u' ')) out.replace(0, 1, QStringLiteral("\\s"));
  return out;
}

std::optional<QString> unescapeString(const QString& text) {
  QString out;
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i] != u'\\') {
      out += text[i];
      continue;
    }
    if (++i == text.size()) return std::nullopt;
    switch (text[i].unicode()) {
      case u's':
        out += u' ';
        break;
      case u'n':
        out += u'\n';
        break;
      case u't':
        out += u'\t';
        break;
      case u'r':
        out += u'\r';
        break;
      case u'\\':
        out += u'\\';
        break;
      default:
        // An escape of the Exec quoting (\" \$ \`) passes to the next stage.
        out += u'\\';
        out += text[i];
    }
  }
  return out;
}

}  // namespace

QString desktopExecValue(const QStringList& arguments) {
  QStringList quoted;
  quoted.reserve(arguments.size());
  for (const QString& argument : arguments) quoted += quoteArgument(argument);
  return escapeString(quoted.join(u' '));
}

namespace {

// Reads the quoted part of an Exec line that opens at `i` onto `current`,
// leaving `i` on its closing quote; false when it is not closed or holds an
// escape the format does not allow.
bool readQuoted(const QString& line, qsizetype& i, QString& current) {
  for (++i;; ++i) {
    if (i == line.size()) return false;
    const QChar q = line[i];
    if (q == u'"') return true;
    if (q == u'\\') {
      if (++i == line.size() || !escapedInQuotes(line[i])) return false;
      current += line[i];
    } else if (q == u'%' && i + 1 < line.size() && line[i + 1] == u'%') {
      current += u'%';
      ++i;
    } else {
      current += q;
    }
  }
}

}  // namespace

std::optional<QStringList> desktopExecArguments(const QString& value) {
  const std::optional<QString> line = unescapeString(value);
  if (!line) return std::nullopt;
  QStringList arguments;
  QString current;
  bool inArgument = false;
  for (qsizetype i = 0; i < line->size(); ++i) {
    const QChar c = (*line)[i];
    if (c == u' ') {
      if (inArgument) arguments += current;
      current.clear();
      inArgument = false;
    } else if (c == u'"') {
      inArgument = true;
      if (!readQuoted(*line, i, current)) return std::nullopt;
    } else if (c == u'%' && i + 1 < line->size() && (*line)[i + 1] == u'%') {
      inArgument = true;
      current += u'%';
      ++i;
    } else {
      inArgument = true;
      current += c;
    }
  }
  if (inArgument) arguments += current;
  return arguments;
}

}  // namespace torvelle::platform
