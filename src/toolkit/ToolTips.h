#pragma once
#include <QObject>

namespace torvelle::toolkit {

// The application-wide tool-tip switch: while off, no widget of the program
// shows a tool tip. Hints stay set on the widgets, so switching on again
// brings them all back.
class ToolTips : public QObject {
  Q_OBJECT
 public:
  static void setEnabled(bool enabled);
  static bool enabled();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  using QObject::QObject;
  static ToolTips& instance();
  bool enabled_ = true;
};

}  // namespace torvelle::toolkit
