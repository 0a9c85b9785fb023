// Not a benchmark of its own: the organizer started over a given folder, as
// StartupBench runs it in a fresh process. Prints how long it took from the
// moment the parent gave (a steady-clock reading in nanoseconds) to the main
// window's first paint, and the memory the process holds then.
#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>

#include "platform/fake/FakeInstanceList.h"
#include "platform/fake/FakeNotifyArea.h"
#include "platform/fake/FakeServices.h"
#include "shell/Application.h"
#include "shell/MainForm.h"
#include "shell/Startup.h"

namespace {

// Resident and peak resident memory in kB, from the kernel's own account.
long statusKb(const std::string& key) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind(key + ":", 0) == 0) return std::stol(line.substr(key.size() + 1));
  return -1;
}

// Sees the main window's first paint: the moment a user sees the window.
class FirstPaint : public QObject {
 public:
  explicit FirstPaint(long long startedNs) : startedNs_(startedNs) {}
  void watch(const QWidget* window) { window_ = window; }
  bool eventFilter(QObject* receiver, QEvent* event) override {
    const auto* widget = qobject_cast<const QWidget*>(receiver);
    if (event->type() == QEvent::Paint && elapsedMs_ < 0 && window_ && widget &&
        widget->window() == window_) {
      const auto now = std::chrono::steady_clock::now().time_since_epoch();
      elapsedMs_ =
          static_cast<double>(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count() -
                              startedNs_) /
          1e6;
      QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
    }
    return false;
  }
  double elapsedMs() const { return elapsedMs_; }

 private:
  long long startedNs_;
  const QWidget* window_ = nullptr;
  double elapsedMs_ = -1;
};

}  // namespace

int main(int argc, char** argv) {
  using namespace torvelle;
  if (argc < 3) return 2;
  const long long startedNs = std::stoll(argv[2]);
  shell::TApplication app(argc, argv);
  platform::TFakeInstanceList instances;
  platform::TFakeNotifyArea notifyArea;
  platform::TFakeShellOpen shellOpen;
  platform::TFakeAutoStartStore autoStart;
  shell::TStartupOptions options;
  options.dataFolder = QString::fromLocal8Bit(argv[1]);
  options.programPath = options.dataFolder + QStringLiteral("/torvelle");
  shell::TStartup startup({instances, notifyArea, shellOpen, autoStart}, std::move(options));
  FirstPaint paint(startedNs);
  app.installEventFilter(&paint);
  if (!startup.start()) return 3;
  // The splash has painted by now; only the main window's paint counts.
  paint.watch(startup.mainForm());
  QTimer::singleShot(10000, [] { QCoreApplication::exit(4); });
  if (QApplication::exec() != 0 || paint.elapsedMs() < 0) return 4;
  std::printf("visible_ms %.3f\nrss_kb %ld\n", paint.elapsedMs(), statusKb("VmRSS"));
  std::fflush(stdout);
  return 0;
}
