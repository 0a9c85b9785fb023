#pragma once
#include <QFrame>
#include <QPointer>

#include "platform/DesktopNotifications.h"

class QLabel;

namespace torvelle::platform {

// A small window of the program's own in the corner of the screen, for
// desktops with neither a notification service nor a tray. It never takes
// the keyboard focus from what the user is typing into.
class TNoteWindow : public QFrame {
  Q_OBJECT
 public:
  TNoteWindow(const TDesktopNote& note, QWidget* parent = nullptr);

  QLabel* TitleLabel;
  QLabel* BodyLabel;

 signals:
  void invoked(const QString& action);

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;
};

class TWindowNotifications : public TDesktopNotifications {
  Q_OBJECT
 public:
  using TDesktopNotifications::TDesktopNotifications;
  ~TWindowNotifications() override;

  // Wherever there is a screen.
  bool isAvailable() const override;
  quint32 show(const TDesktopNote& note) override;

  // The windows now on screen, oldest first.
  QList<TNoteWindow*> windows() const;

 private:
  void place();

  QList<QPointer<TNoteWindow>> windows_;
  quint32 lastId_ = 0;
};

}  // namespace torvelle::platform
