#include "platform/LinuxNotifyArea.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QSystemTrayIcon>
#include <QWidget>

namespace torvelle::platform {

namespace {

// Qt shows the icon through the StatusNotifierItem protocol whenever a host
// for it is registered on the session bus; such a tray sends activations,
// not presses, and never a double click.
bool trayIsOnDBus() {
  const QDBusConnection bus = QDBusConnection::sessionBus();
  return bus.isConnected() && bus.interface() &&
         bus.interface()->isServiceRegistered(QStringLiteral("org.kde.StatusNotifierWatcher"));
}

TNotifyMouse mouseFromReason(QSystemTrayIcon::ActivationReason reason, bool onDBus) {
  // An embedded tray reports a press of the left button as Trigger and the
  // second press of a double click as DoubleClick, the same order the tray
  // component's click timer expects.
  switch (reason) {
    case QSystemTrayIcon::Trigger:
      return onDBus ? TNotifyMouse::Activate : TNotifyMouse::LeftDown;
    case QSystemTrayIcon::DoubleClick:
      return TNotifyMouse::LeftDoubleClick;
    case QSystemTrayIcon::Context:
      return TNotifyMouse::RightDown;
    default:
      return TNotifyMouse::Other;
  }
}

}  // namespace

TLinuxNotifyArea::TLinuxNotifyArea(QObject* parent) : TNotifyArea(parent) {}

// The icons are our children and leave the tray with us.
TLinuxNotifyArea::~TLinuxNotifyArea() = default;

bool TLinuxNotifyArea::isAvailable() const {
  return QSystemTrayIcon::isSystemTrayAvailable();
}

void TLinuxNotifyArea::notify(TNotifyOperation operation, const TNotifyIconData& data, int flags) {
  const auto found = icons_.find(data.id);
  QSystemTrayIcon* icon = found != icons_.end() ? found->second.data() : nullptr;
  switch (operation) {
    case TNotifyOperation::Add: {
      if (icon == nullptr) {
        // No context menu is given to Qt: the tray component pops its own
        // menu up on a right press, so Qt must report that press instead.
        icon = new QSystemTrayIcon(this);
        const quintptr id = data.id;
        const bool onDBus = trayIsOnDBus();
        connect(icon, &QSystemTrayIcon::activated, this,
                [this, id, onDBus](QSystemTrayIcon::ActivationReason reason) {
                  emit mouseEvent(id, mouseFromReason(reason, onDBus));
                });
        connect(icon, &QSystemTrayIcon::messageClicked, this,
                [this, id] { emit messageClicked(id); });
        icons_[id] = icon;
      }
      icon->setIcon(data.icon);
      icon->setToolTip(data.tip);
      icon->show();
      break;
    }
    case TNotifyOperation::Modify:
      if (icon == nullptr) break;
      if (flags & NotifyIcon) icon->setIcon(data.icon);
      if (flags & NotifyTip) icon->setToolTip(data.tip);
      break;
    case TNotifyOperation::Delete:
      if (icon == nullptr) break;
      icons_.erase(found);
      icon->hide();
      icon->deleteLater();
      break;
  }
}

bool TLinuxNotifyArea::supportsMessages() const {
  return isAvailable() && QSystemTrayIcon::supportsMessages();
}

void TLinuxNotifyArea::showMessage(quintptr id, const QString& title, const QString& text) {
  const auto found = icons_.find(id);
  if (found == icons_.end() || found->second.isNull()) return;
  found->second->showMessage(title, text, found->second->icon());
}

void TLinuxNotifyArea::setTaskBarEntryVisible(QWidget* window, bool visible) {
  if (window == nullptr) return;
  // A tool window has no task-bar entry on the common desktops. Changing the
  // flags unmaps a shown window, so it is shown again in its former state.
  const bool wasVisible = window->isVisible();
  // Qt::Tool shares bits with Qt::Window, so the type is replaced whole.
  const Qt::WindowFlags others = window->windowFlags() & ~Qt::WindowType_Mask;
  window->setWindowFlags(others | (visible ? Qt::Window : Qt::Tool));
  if (wasVisible) window->show();
}

}  // namespace torvelle::platform
