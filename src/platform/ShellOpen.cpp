#include "platform/ShellOpen.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace torvelle::platform {

namespace {

// A scheme as URLs write it. One letter is left out on purpose: "C:\x" is a
// Windows drive, not a URL, and must not reach a handler for scheme "c".
const QRegularExpression& schemePattern() {
  static const QRegularExpression pattern(QStringLiteral("^([A-Za-z][A-Za-z0-9+.\\-]+):(.*)$"),
                                          QRegularExpression::DotMatchesEverythingOption);
  return pattern;
}

// "host:8080" and "host:8080/page" look like a scheme but are a host with a
// port, which the Windows shell would open in the browser.
bool looksLikePort(const QString& afterColon) {
  static const QRegularExpression port(QStringLiteral("^[0-9]+([/?#].*)?$"),
                                       QRegularExpression::DotMatchesEverythingOption);
  return port.match(afterColon).hasMatch();
}

// A host name, optionally with a port and a path: labels of letters, digits
// and hyphens (letters of any script), at least two of them or "localhost".
bool looksLikeHost(const QString& text) {
  static const QRegularExpression host(
      QStringLiteral("^(?:[\\p{L}\\p{N}](?:[\\p{L}\\p{N}\\-]*[\\p{L}\\p{N}])?\\.)+"
                     "[\\p{L}\\p{N}](?:[\\p{L}\\p{N}\\-]*[\\p{L}\\p{N}])?\\.?"
                     "(?::[0-9]+)?(?:[/?#]\\S*)?$"),
      QRegularExpression::UseUnicodePropertiesOption);
  static const QRegularExpression local(QStringLiteral("^localhost(?::[0-9]+)?(?:[/?#]\\S*)?$"),
                                        QRegularExpression::CaseInsensitiveOption);
  return host.match(text).hasMatch() || local.match(text).hasMatch();
}

bool looksLikeMailAddress(const QString& text) {
  static const QRegularExpression mail(QStringLiteral("^[^@\\s/:]+@[^@\\s/]+$"));
  return mail.match(text).hasMatch();
}

}  // namespace

QUrl shellOpenTarget(const QString& text) {
  const QString trimmed = text.trimmed();
  if (trimmed.isEmpty()) return {};

  // A file that is there wins over every reading as an address: a file named
  // "notes.txt" beside the program is opened, not looked up on the web.
  const QFileInfo file(trimmed);
  if (file.exists()) return QUrl::fromLocalFile(file.absoluteFilePath());

  const QRegularExpressionMatch scheme = schemePattern().match(trimmed);
  if (scheme.hasMatch() && !looksLikePort(scheme.captured(2))) {
    const QUrl url(trimmed, QUrl::TolerantMode);
    return url.isValid() ? url : QUrl();
  }
  if (looksLikeMailAddress(trimmed)) return QUrl(QStringLiteral("mailto:") + trimmed);
  if (looksLikeHost(trimmed)) {
    const QUrl url(QStringLiteral("http://") + trimmed, QUrl::TolerantMode);
    return url.isValid() ? url : QUrl();
  }
  return {};
}

void TLinuxShellOpen::open(const QString& text) {
  const QUrl target = shellOpenTarget(text);
  if (target.isValid()) QDesktopServices::openUrl(target);
}

void TLinuxShellOpen::openUrl(const QUrl& url) {
  if (url.isValid()) QDesktopServices::openUrl(url);
}

}  // namespace torvelle::platform
