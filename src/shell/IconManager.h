#pragma once
#include <QObject>
#include <map>

#include "platform/NotifyArea.h"

namespace torvelle::shell {

class TTrayNotifyIcon;

// The one receiver of the notification area's events for every tray icon of
// the program: it hands each event to the icon it belongs to. Create it
// before the icons and keep it until they are gone.
class TIconManager : public QObject {
  Q_OBJECT
 public:
  explicit TIconManager(platform::TNotifyArea& area, QObject* parent = nullptr);
  ~TIconManager() override;

  platform::TNotifyArea& notifyArea() const { return area_; }

  // An icon registers itself for its lifetime and is told apart by the id.
  quintptr attach(TTrayNotifyIcon& icon);
  void detach(quintptr id);

 private:
  void dispatch(quintptr id, platform::TNotifyMouse event);

  platform::TNotifyArea& area_;
  std::map<quintptr, TTrayNotifyIcon*> icons_;
  // Ids are never reused, so a late event for a destroyed icon finds nobody.
  quintptr nextId_ = 1;
};

}  // namespace torvelle::shell
