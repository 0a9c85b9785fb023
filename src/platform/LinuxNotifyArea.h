#pragma once
#include <QPointer>
#include <map>

#include "platform/NotifyArea.h"

class QSystemTrayIcon;

namespace torvelle::platform {

// The notification area through QSystemTrayIcon: one tray icon per id.
class TLinuxNotifyArea : public TNotifyArea {
  Q_OBJECT
 public:
  explicit TLinuxNotifyArea(QObject* parent = nullptr);
  ~TLinuxNotifyArea() override;

  bool isAvailable() const override;
  void notify(TNotifyOperation operation, const TNotifyIconData& data, int flags) override;
  void setTaskBarEntryVisible(QWidget* window, bool visible) override;
  bool supportsMessages() const override;
  void showMessage(quintptr id, const QString& title, const QString& text) override;

 private:
  std::map<quintptr, QPointer<QSystemTrayIcon>> icons_;
};

}  // namespace torvelle::platform
