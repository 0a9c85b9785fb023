#pragma once
#include <QObject>
#include <QString>
#include <QStringList>

namespace torvelle::platform {

// One message for the user, outside the program's windows.
struct TDesktopNote {
  QString title;
  QString body;
  // Pairs of action key and label, as the desktop service takes them. The
  // key "default" stands for activating the message itself.
  QStringList actions;
  // More actions, the same way, offered under one button labelled
  // `menuLabel` where the way can show a menu, else beside the others.
  QString menuLabel{};
  QStringList menuActions{};

  // `actions` followed by the menu's, each label led by the menu's label.
  QStringList flatActions() const {
    QStringList all = actions;
    for (qsizetype i = 0; i + 1 < menuActions.size(); i += 2)
      all << menuActions[i] << menuLabel + QStringLiteral(": ") + menuActions[i + 1];
    return all;
  }
};

// A way of telling the user something while the program may be hidden:
// the desktop's notification service, a tray balloon or a window of ours.
class TDesktopNotifications : public QObject {
  Q_OBJECT
 public:
  using QObject::QObject;

  // False where this way cannot reach the user now.
  virtual bool isAvailable() const = 0;
  // Shows the note. Returns the id its answers carry; 0 when it was not shown.
  virtual quint32 show(const TDesktopNote& note) = 0;

 signals:
  // The user activated the note ("default") or one of its actions.
  void actionInvoked(quint32 id, const QString& action);
};

// Tries its ways in the order given and shows a note through the first one
// available at that moment. Ids are its own, so answers from any way reach
// the caller under the id the show returned.
class TNotificationChain : public TDesktopNotifications {
  Q_OBJECT
 public:
  explicit TNotificationChain(QList<TDesktopNotifications*> ways, QObject* parent = nullptr);

  bool isAvailable() const override;
  quint32 show(const TDesktopNote& note) override;

 private:
  struct Shown {
    TDesktopNotifications* way;
    quint32 wayId;
    quint32 id;
  };
  QList<TDesktopNotifications*> ways_;
  QList<Shown> shown_;
  quint32 nextId_ = 1;
};

}  // namespace torvelle::platform
