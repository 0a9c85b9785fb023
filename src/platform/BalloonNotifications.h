#pragma once
#include <functional>

#include "platform/DesktopNotifications.h"
#include "platform/NotifyArea.h"

namespace torvelle::platform {

// A balloon at the program's tray icon. A balloon has no buttons: a click
// on it activates the latest one shown.
class TBalloonNotifications : public TDesktopNotifications {
  Q_OBJECT
 public:
  // `iconId` tells which of the area's icons is ours at the time of showing.
  TBalloonNotifications(TNotifyArea& area, std::function<quintptr()> iconId,
                        QObject* parent = nullptr);

  bool isAvailable() const override;
  quint32 show(const TDesktopNote& note) override;

 private:
  TNotifyArea& area_;
  std::function<quintptr()> iconId_;
  quint32 lastId_ = 0;
};

}  // namespace torvelle::platform
