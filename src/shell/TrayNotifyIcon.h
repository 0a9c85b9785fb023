#pragma once
#include <QIcon>
#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QWidget>

#include "platform/NotifyArea.h"

namespace torvelle::shell {

class TIconManager;

// An icon with a tool tip in the notification area. It reports clicks and
// double clicks, pops its menu up on a right click, and can hide the
// program's task-bar entry.
class TTrayNotifyIcon : public QObject {
  Q_OBJECT
  Q_PROPERTY(QIcon Icon READ icon WRITE setIcon)
  Q_PROPERTY(bool HideTask READ hideTask WRITE setHideTask)
  Q_PROPERTY(QString Hint READ hint WRITE setHint)
  Q_PROPERTY(bool IconVisible READ iconVisible WRITE setIconVisible)
  Q_PROPERTY(QMenu* PopupMenu READ popupMenu WRITE setPopupMenu)

 public:
  // The notification area shows at most this many characters of the hint.
  static constexpr int kMaxTipLength = 63;

  explicit TTrayNotifyIcon(TIconManager& manager, QObject* owner = nullptr);
  ~TTrayNotifyIcon() override;

  const QIcon& icon() const { return icon_; }
  // Sent to a visible icon even when the picture is the same.
  void setIcon(const QIcon& icon);

  bool hideTask() const { return hideTask_; }
  void setHideTask(bool hide);

  const QString& hint() const { return hint_; }
  void setHint(const QString& hint);

  bool iconVisible() const { return iconVisible_; }
  void setIconVisible(bool visible);

  // The id the notification area knows this icon by (balloons go to it).
  quintptr notifyId() const { return id_; }

  // Null again once the menu is destroyed.
  QMenu* popupMenu() const { return popupMenu_.data(); }
  void setPopupMenu(QMenu* menu) { popupMenu_ = menu; }

  // The window that carries the program's task-bar entry (the main window).
  QWidget* taskWindow() const { return taskWindow_.data(); }
  void setTaskWindow(QWidget* window);

  // How long a press waits to be reported as a single click; the desktop's
  // double-click time unless changed.
  int clickInterval() const { return clickTimer_.interval(); }
  void setClickInterval(int milliseconds) { clickTimer_.setInterval(milliseconds); }

  // `hint` as the notification area receives it: cut to kMaxTipLength
  // characters, never inside a character.
  static QString tipText(const QString& hint);

 signals:
  void OnClick();
  void OnDblClick();

 protected:
  // The picture shown while Icon holds none. Asked for the first time an
  // icon is sent, so that a subclass's choice counts.
  virtual QIcon LoadFallbackIcon() const;

 private:
  friend class TIconManager;
  void mouseEvent(platform::TNotifyMouse event);
  void clickTimerTick();
  void popUpMenu();
  void send(platform::TNotifyOperation operation, int flags);

  QPointer<TIconManager> manager_;
  quintptr id_ = 0;
  QIcon icon_;
  QIcon fallbackIcon_;
  bool hideTask_ = false;
  QString hint_;
  bool iconVisible_ = false;
  QPointer<QMenu> popupMenu_;
  QPointer<QWidget> taskWindow_;
  QTimer clickTimer_;
  bool doubleClickSeen_ = false;
};

}  // namespace torvelle::shell
