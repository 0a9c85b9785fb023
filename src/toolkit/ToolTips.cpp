#include "toolkit/ToolTips.h"

#include <QApplication>
#include <QEvent>

namespace torvelle::toolkit {

ToolTips& ToolTips::instance() {
  // Parented to the application so that it goes away with it.
  static ToolTips* filter = [] {
    auto* f = new ToolTips(qApp);
    qApp->installEventFilter(f);
    return f;
  }();
  return *filter;
}

void ToolTips::setEnabled(bool enabled) {
  instance().enabled_ = enabled;
}

bool ToolTips::enabled() {
  return instance().enabled_;
}

bool ToolTips::eventFilter(QObject* watched, QEvent* event) {
  if (!enabled_ && event->type() == QEvent::ToolTip) return true;
  return QObject::eventFilter(watched, event);
}

}  // namespace torvelle::toolkit
