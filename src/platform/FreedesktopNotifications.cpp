#include "platform/FreedesktopNotifications.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QVariantMap>

namespace torvelle::platform {
namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");
// A server that hangs must not freeze the program for long.
constexpr int kCallTimeoutMs = 3000;

}  // namespace

TFreedesktopNotifications::TFreedesktopNotifications(QDBusConnection bus, QObject* parent)
    : TDesktopNotifications(parent), bus_(std::move(bus)) {
  if (bus_.isConnected())
    bus_.connect(kService, kPath, kInterface, QStringLiteral("ActionInvoked"), this,
                 SLOT(onActionInvoked(uint, QString)));
}

bool TFreedesktopNotifications::isAvailable() const {
  if (!bus_.isConnected() || bus_.interface() == nullptr) return false;
  if (bus_.interface()->isServiceRegistered(kService)) return true;
  // A server the bus starts on demand counts too.
  const QDBusReply<QStringList> activatable =
      bus_.interface()->call(QStringLiteral("ListActivatableNames"));
  return activatable.isValid() && activatable.value().contains(kService);
}

bool TFreedesktopNotifications::serverHasActions() const {
  if (actions_ < 0) {
    QDBusMessage ask = QDBusMessage::createMethodCall(kService, kPath, kInterface,
                                                      QStringLiteral("GetCapabilities"));
    const QDBusReply<QStringList> reply = bus_.call(ask, QDBus::Block, kCallTimeoutMs);
    actions_ = reply.isValid() && reply.value().contains(QStringLiteral("actions")) ? 1 : 0;
  }
  return actions_ == 1;
}

quint32 TFreedesktopNotifications::show(const TDesktopNote& note) {
  QDBusMessage call =
      QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Notify"));
  const QStringList actions = serverHasActions() ? note.flatActions() : QStringList();
  call << QStringLiteral("Torvelle") << quint32(0) << QStringLiteral("appointment-soon")
       << note.title << note.body << actions << QVariantMap() << qint32(-1);
  const QDBusReply<quint32> reply = bus_.call(call, QDBus::Block, kCallTimeoutMs);
  return reply.isValid() ? reply.value() : 0;
}

void TFreedesktopNotifications::onActionInvoked(uint id, const QString& action) {
  emit actionInvoked(id, action);
}

}  // namespace torvelle::platform
