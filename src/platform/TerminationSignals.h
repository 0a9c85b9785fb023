#pragma once
#include <QObject>
#include <QSocketNotifier>
#include <memory>

namespace torvelle::platform {

// Turns the signals that ask a process to end (SIGTERM at log-out and
// system shut-down, SIGINT, SIGHUP) into a Qt signal on the event loop.
// The handler only writes the signal number into a pipe; everything else
// happens later on the GUI thread, where the program may do as it likes.
// One instance at a time; the default handlers come back when it goes.
class TTerminationSignals : public QObject {
  Q_OBJECT
 public:
  explicit TTerminationSignals(QObject* parent = nullptr);
  ~TTerminationSignals() override;
  TTerminationSignals(const TTerminationSignals&) = delete;
  TTerminationSignals& operator=(const TTerminationSignals&) = delete;

 signals:
  void terminationRequested(int signalNumber);

 private:
  void readPipe();

  int fds_[2] = {-1, -1};
  std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace torvelle::platform
