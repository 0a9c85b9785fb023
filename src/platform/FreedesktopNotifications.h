#pragma once
#include <QDBusConnection>

#include "platform/DesktopNotifications.h"

namespace torvelle::platform {

// The desktop's notification service, org.freedesktop.Notifications on the
// session bus. Actions are offered when the server says it has them.
class TFreedesktopNotifications : public TDesktopNotifications {
  Q_OBJECT
 public:
  explicit TFreedesktopNotifications(QDBusConnection bus = QDBusConnection::sessionBus(),
                                     QObject* parent = nullptr);

  bool isAvailable() const override;
  quint32 show(const TDesktopNote& note) override;

 private slots:
  void onActionInvoked(uint id, const QString& action);

 private:
  bool serverHasActions() const;

  QDBusConnection bus_;
  mutable int actions_ = -1;  // unknown until asked
};

}  // namespace torvelle::platform
