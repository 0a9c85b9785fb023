#pragma once
#include <QString>
#include <QUrl>

namespace torvelle::platform {

// What the desktop is asked to open for a text handed to the shell: a mail
// address, a web address, a link as the user typed it, or a file path.
// Returns an empty URL when the text names nothing that can be opened.
// Relative paths are taken against the current directory.
QUrl shellOpenTarget(const QString& text);

// Hands a text to the desktop's default handler for it. Failures are not
// reported: the caller never examines them.
class TShellOpen {
 public:
  virtual ~TShellOpen() = default;
  virtual void open(const QString& text) = 0;
  // Hands over a URL the caller has checked; nothing is guessed from it,
  // and no file is looked for.
  virtual void openUrl(const QUrl& url) = 0;
};

// The desktop's handler through QDesktopServices.
class TLinuxShellOpen : public TShellOpen {
 public:
  void open(const QString& text) override;
  void openUrl(const QUrl& url) override;
};

}  // namespace torvelle::platform
