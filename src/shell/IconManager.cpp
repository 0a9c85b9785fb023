#include "shell/IconManager.h"

#include "shell/TrayNotifyIcon.h"

namespace torvelle::shell {

TIconManager::TIconManager(platform::TNotifyArea& area, QObject* parent)
    : QObject(parent), area_(area) {
  connect(&area_, &platform::TNotifyArea::mouseEvent, this, &TIconManager::dispatch);
}

TIconManager::~TIconManager() = default;

quintptr TIconManager::attach(TTrayNotifyIcon& icon) {
  const quintptr id = nextId_++;
  icons_[id] = &icon;
  return id;
}

void TIconManager::detach(quintptr id) {
  icons_.erase(id);
}

void TIconManager::dispatch(quintptr id, platform::TNotifyMouse event) {
  const auto found = icons_.find(id);
  if (found != icons_.end()) found->second->mouseEvent(event);
}

}  // namespace torvelle::shell
