#include <QStringList>
#include <exception>

#include "platform/AutoStartStore.h"
#include "platform/LinuxNotifyArea.h"
#include "platform/MarkerInstanceList.h"
#include "platform/ShellOpen.h"
#include "shell/Application.h"
#include "shell/Startup.h"
#include "toolkit/ErrorBox.h"

int main(int argc, char** argv) {
  using namespace torvelle;
  shell::TApplication app(argc, argv);

  platform::TMarkerInstanceList instances;
  platform::TLinuxNotifyArea notifyArea;
  platform::TLinuxShellOpen shellOpen;
  platform::TXdgAutoStartStore autoStart;

  shell::TStartupOptions options;
  options.programPath = QApplication::applicationFilePath();
  options.arguments = QApplication::arguments().mid(1);

  shell::TStartup startup({instances, notifyArea, shellOpen, autoStart}, std::move(options));
  try {
    if (!startup.start()) return 0;
    startup.endOnTerminationRequests();
  } catch (...) {
    // A window that cannot be made: say why rather than vanish.
    toolkit::ErrorBox::report(std::current_exception());
    return 1;
  }
  return startup.run();
}
