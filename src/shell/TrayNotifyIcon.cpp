#include "shell/TrayNotifyIcon.h"

#include <QApplication>
#include <QCursor>
#include <QStyle>

#include "shell/IconManager.h"

namespace torvelle::shell {

using platform::TNotifyMouse;
using platform::TNotifyOperation;

TTrayNotifyIcon::TTrayNotifyIcon(TIconManager& manager, QObject* owner)
    : QObject(owner), manager_(&manager) {
  id_ = manager.attach(*this);
  clickTimer_.setSingleShot(true);
  clickTimer_.setInterval(QApplication::doubleClickInterval());
  connect(&clickTimer_, &QTimer::timeout, this, &TTrayNotifyIcon::clickTimerTick);
}

TTrayNotifyIcon::~TTrayNotifyIcon() {
  setIconVisible(false);
  if (manager_) manager_->detach(id_);
}

QIcon TTrayNotifyIcon::LoadFallbackIcon() const {
  return QIcon::fromTheme(QStringLiteral("computer"),
                          QApplication::style()->standardIcon(QStyle::SP_ComputerIcon));
}

QString TTrayNotifyIcon::tipText(const QString& hint) {
  if (hint.size() <= kMaxTipLength) return hint;
  // Count characters, not UTF-16 units: a pair of surrogates is one
  // character and is kept or dropped whole.
  qsizetype units = 0;
  for (int characters = 0; characters < kMaxTipLength && units < hint.size(); ++characters)
    units += hint[units].isHighSurrogate() && units + 1 < hint.size() ? 2 : 1;
  return hint.left(units);
}

void TTrayNotifyIcon::send(TNotifyOperation operation, int flags) {
  if (!manager_) return;
  if (icon_.isNull() && fallbackIcon_.isNull()) fallbackIcon_ = LoadFallbackIcon();
  const platform::TNotifyIconData data{id_, icon_.isNull() ? fallbackIcon_ : icon_, tipText(hint_)};
  manager_->notifyArea().notify(operation, data, flags);
}

void TTrayNotifyIcon::setIcon(const QIcon& icon) {
  icon_ = icon;
  if (iconVisible_) send(TNotifyOperation::Modify, platform::NotifyIcon);
}

void TTrayNotifyIcon::setHint(const QString& hint) {
  if (hint == hint_) return;
  hint_ = hint;
  if (iconVisible_) send(TNotifyOperation::Modify, platform::NotifyTip);
}

void TTrayNotifyIcon::setIconVisible(bool visible) {
  if (visible == iconVisible_) return;
  iconVisible_ = visible;
  send(visible ? TNotifyOperation::Add : TNotifyOperation::Delete, platform::NotifyAll);
}

void TTrayNotifyIcon::setHideTask(bool hide) {
  if (hide == hideTask_) return;
  hideTask_ = hide;
  if (manager_ && taskWindow_) manager_->notifyArea().setTaskBarEntryVisible(taskWindow_, !hide);
}

void TTrayNotifyIcon::setTaskWindow(QWidget* window) {
  taskWindow_ = window;
  // A window given after HideTask was set must not keep its entry.
  if (manager_ && window != nullptr && hideTask_)
    manager_->notifyArea().setTaskBarEntryVisible(window, false);
}

void TTrayNotifyIcon::mouseEvent(TNotifyMouse event) {
  switch (event) {
    case TNotifyMouse::LeftDown:
      clickTimer_.start();
      break;
    case TNotifyMouse::LeftDoubleClick:
      // Only a press still waiting to be reported becomes part of the double
      // click. A flag set with no press pending would swallow the next
      // single click.
      if (clickTimer_.isActive()) doubleClickSeen_ = true;
      emit OnDblClick();
      break;
    case TNotifyMouse::Activate:
      // Such trays know no double click; their activation is the gesture
      // that the double click stands for elsewhere: open the program.
      emit OnDblClick();
      break;
    case TNotifyMouse::RightDown:
      popUpMenu();
      break;
    case TNotifyMouse::Other:
      break;
  }
}

void TTrayNotifyIcon::clickTimerTick() {
  clickTimer_.stop();
  const bool report = !doubleClickSeen_;
  doubleClickSeen_ = false;
  if (report) emit OnClick();
}

void TTrayNotifyIcon::popUpMenu() {
  if (!popupMenu_) return;
  // Not exec(): the menu must not run a nested loop inside the tray's event.
  popupMenu_->popup(QCursor::pos());
  popupMenu_->activateWindow();
}

}  // namespace torvelle::shell
