#pragma once
#include <QIcon>
#include <QObject>
#include <QString>

class QWidget;

namespace torvelle::platform {

// What happened on an icon in the notification area. Only the events the
// tray component reacts to are told apart. Activate comes from trays hosted
// over D-Bus, which report a left click as the icon's activation and never
// a press or a double click.
enum class TNotifyMouse { LeftDown, LeftDoubleClick, RightDown, Activate, Other };

// The three operations on an icon and the parts of it an operation carries.
enum class TNotifyOperation { Add, Modify, Delete };
enum TNotifyFlag { NotifyMessage = 1, NotifyIcon = 2, NotifyTip = 4, NotifyAll = 7 };

// One icon as the notification area receives it: who it belongs to (events
// come back with this id), the picture, and the tool tip.
struct TNotifyIconData {
  quintptr id = 0;
  QIcon icon;
  QString tip;
};

// The desktop's notification area (tray) and the task-bar entry of a window.
class TNotifyArea : public QObject {
  Q_OBJECT
 public:
  using QObject::QObject;

  // False where the desktop has no notification area at all.
  virtual bool isAvailable() const = 0;

  // Adds, changes or removes an icon. `flags` says which of icon and tip an
  // add or modify carries. The desktop's answer is not reported.
  virtual void notify(TNotifyOperation operation, const TNotifyIconData& data, int flags) = 0;

  // Shows or hides `window`'s entry in the task bar.
  virtual void setTaskBarEntryVisible(QWidget* window, bool visible) = 0;

  // Whether the area can show a message balloon at an icon of ours.
  virtual bool supportsMessages() const { return false; }
  // A balloon with a title and a text at the icon with `id`; a click on it
  // is reported by messageClicked.
  virtual void showMessage(quintptr /*id*/, const QString& /*title*/, const QString& /*text*/) {}

 signals:
  void mouseEvent(quintptr id, torvelle::platform::TNotifyMouse event);
  void messageClicked(quintptr id);
};

}  // namespace torvelle::platform
