#include "platform/AutoStartStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringList>

#include "platform/DesktopEntry.h"

namespace torvelle::platform {

namespace {

QString defaultFolder() {
  // Only an absolute XDG_CONFIG_HOME counts; a relative one must be ignored.
  const QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
  const QString base =
      !config.isEmpty() && QDir::isAbsolutePath(config) ? config : QDir::homePath() + "/.config";
  return base + QStringLiteral("/autostart");
}

// True when the [Desktop Entry] group says Hidden=true: the desktop's own
// settings switch an autostart entry off that way, and then it is not there.
bool saysHidden(QFile& file) {
  bool inMainGroup = false;
  while (!file.atEnd()) {
    const QString line = QString::fromUtf8(file.readLine()).trimmed();
    if (line.startsWith(u'[')) {
      inMainGroup = line == QStringLiteral("[Desktop Entry]");
    } else if (inMainGroup && line.startsWith(QStringLiteral("Hidden"))) {
      const QString rest = line.mid(6).trimmed();
      if (rest.startsWith(u'=') && rest.mid(1).trimmed() == QStringLiteral("true")) return true;
    }
  }
  return false;
}

}  // namespace

TXdgAutoStartStore::TXdgAutoStartStore() : folder_(defaultFolder()) {}

TXdgAutoStartStore::TXdgAutoStartStore(QString folder) : folder_(std::move(folder)) {}

QString TXdgAutoStartStore::entryPath() const {
  return folder_ + QStringLiteral("/torvelle.desktop");
}

bool TXdgAutoStartStore::exists() const {
  QFile file(entryPath());
  if (!QFileInfo(file).isFile() || !file.open(QIODevice::ReadOnly)) return false;
  return !saysHidden(file);
}

bool TXdgAutoStartStore::write(const QString& programPath) {
  if (!QDir().mkpath(folder_))
    return fail(QStringLiteral("Cannot create the folder %1.").arg(folder_));
  const QString exec = desktopExecValue({programPath, QStringLiteral("-h")});
  const QString text = QStringLiteral(
                           "[Desktop Entry]\n"
                           "Type=Application\n"
                           "Name=Torvelle\n"
                           "Exec=%1\n"
                           "Terminal=false\n"
                           "X-GNOME-Autostart-enabled=true\n")
                           .arg(exec);
  // Written aside and renamed into place, so a desktop reading the folder
  // at log-on never sees half an entry.
  QSaveFile file(entryPath());
  if (!file.open(QIODevice::WriteOnly) || file.write(text.toUtf8()) < 0 || !file.commit())
    return fail(QStringLiteral("Cannot write %1: %2").arg(entryPath(), file.errorString()));
  return true;
}

bool TXdgAutoStartStore::remove() {
  const QFileInfo info(entryPath());
  if (!info.exists() && !info.isSymLink()) return true;
  QFile file(entryPath());
  if (!file.remove())
    return fail(QStringLiteral("Cannot remove %1: %2").arg(entryPath(), file.errorString()));
  return true;
}

}  // namespace torvelle::platform
