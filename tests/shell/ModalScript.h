#pragma once
#include <QApplication>
#include <QObject>
#include <QTimer>
#include <QWidget>
#include <deque>
#include <functional>

// Answers the modal windows a test runs into, in order: each step acts on
// the modal window that is active when its turn comes (typing, clicking,
// closing). Polling on fresh single shots keeps it working inside nested
// event loops, where a step may open the next modal window itself.
class ModalScript : public QObject {
 public:
  using Step = std::function<void(QWidget* modal)>;

  ModalScript() { schedule(); }

  ModalScript& then(Step step) {
    steps_.push_back(std::move(step));
    return *this;
  }
  bool done() const { return steps_.empty(); }
  int answered() const { return answered_; }

 private:
  void schedule() {
    QTimer::singleShot(2, this, [this] { poll(); });
  }
  void poll() {
    QWidget* modal = QApplication::activeModalWidget();
    schedule();
    if (!modal || steps_.empty() || modal == last_) return;
    Step step = std::move(steps_.front());
    steps_.pop_front();
    ++answered_;
    last_ = modal;
    step(modal);
    // The same dialog may come back for the next step once it was closed.
    if (!modal->isVisible()) last_ = nullptr;
  }

  std::deque<Step> steps_;
  QWidget* last_ = nullptr;
  int answered_ = 0;
};
