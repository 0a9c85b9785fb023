#include "platform/SleepWatch.h"

#include <QDBusConnection>

namespace torvelle::platform {

TSleepWatch::TSleepWatch(QObject* parent) : QObject(parent) {
  QDBusConnection bus = QDBusConnection::systemBus();
  if (!bus.isConnected()) return;
  bus.connect(QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
              QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PrepareForSleep"),
              this, SLOT(onPrepareForSleep(bool)));
}

void TSleepWatch::onPrepareForSleep(bool sleeping) {
  if (!sleeping) emit resumed();
}

}  // namespace torvelle::platform
