#include "platform/BalloonNotifications.h"

namespace torvelle::platform {

TBalloonNotifications::TBalloonNotifications(TNotifyArea& area, std::function<quintptr()> iconId,
                                             QObject* parent)
    : TDesktopNotifications(parent), area_(area), iconId_(std::move(iconId)) {
  connect(&area_, &TNotifyArea::messageClicked, this, [this](quintptr id) {
    if (lastId_ != 0 && id == iconId_()) emit actionInvoked(lastId_, QStringLiteral("default"));
  });
}

bool TBalloonNotifications::isAvailable() const {
  return iconId_() != 0 && area_.supportsMessages();
}

quint32 TBalloonNotifications::show(const TDesktopNote& note) {
  const quintptr icon = iconId_();
  if (icon == 0) return 0;
  area_.showMessage(icon, note.title, note.body);
  return ++lastId_;
}

}  // namespace torvelle::platform
