#include "platform/DesktopNotifications.h"

#include <algorithm>

namespace torvelle::platform {

namespace {
// Answers come for recent notes only; older ones are let go.
constexpr qsizetype kRemembered = 200;
}  // namespace

TNotificationChain::TNotificationChain(QList<TDesktopNotifications*> ways, QObject* parent)
    : TDesktopNotifications(parent), ways_(std::move(ways)) {
  for (TDesktopNotifications* way : ways_) {
    connect(way, &TDesktopNotifications::actionInvoked, this,
            [this, way](quint32 wayId, const QString& action) {
              const auto found = std::find_if(shown_.begin(), shown_.end(), [&](const Shown& s) {
                return s.way == way && s.wayId == wayId;
              });
              if (found != shown_.end()) emit actionInvoked(found->id, action);
            });
  }
}

bool TNotificationChain::isAvailable() const {
  return std::any_of(ways_.begin(), ways_.end(),
                     [](const TDesktopNotifications* way) { return way->isAvailable(); });
}

quint32 TNotificationChain::show(const TDesktopNote& note) {
  for (TDesktopNotifications* way : ways_) {
    if (!way->isAvailable()) continue;
    const quint32 wayId = way->show(note);
    if (wayId == 0) continue;  // refused: the next way may still reach the user
    const quint32 id = nextId_++;
    shown_.append({way, wayId, id});
    if (shown_.size() > kRemembered) shown_.removeFirst();
    return id;
  }
  return 0;
}

}  // namespace torvelle::platform
