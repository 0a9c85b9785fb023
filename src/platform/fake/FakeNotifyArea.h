#pragma once
#include <QWidget>
#include <vector>

#include "platform/NotifyArea.h"

namespace torvelle::platform {

// Records what the tray component sends and lets a test raise mouse events.
class TFakeNotifyArea : public TNotifyArea {
  Q_OBJECT
 public:
  struct Call {
    TNotifyOperation operation;
    TNotifyIconData data;
    int flags;
  };
  struct TaskBarCall {
    QWidget* window;
    bool visible;
  };

  using TNotifyArea::TNotifyArea;

  bool isAvailable() const override { return available; }
  void notify(TNotifyOperation operation, const TNotifyIconData& data, int flags) override {
    calls.push_back({operation, data, flags});
  }
  void setTaskBarEntryVisible(QWidget* window, bool visible) override {
    taskBarCalls.push_back({window, visible});
  }

  bool supportsMessages() const override { return available && balloons; }
  void showMessage(quintptr id, const QString& title, const QString& text) override {
    messages.push_back({id, title, text});
  }

  // As if the user did `event` on the icon with `id`.
  void simulate(quintptr id, TNotifyMouse event) { emit mouseEvent(id, event); }

  struct Message {
    quintptr id;
    QString title;
    QString text;
  };

  bool available = true;
  bool balloons = true;
  std::vector<Message> messages;
  std::vector<Call> calls;
  std::vector<TaskBarCall> taskBarCalls;
};

}  // namespace torvelle::platform
