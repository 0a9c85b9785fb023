#include "shell/Application.h"

#include <exception>

#include "toolkit/ErrorBox.h"

namespace torvelle::shell {

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
  setApplicationName(QStringLiteral("Torvelle"));
  // Closing the main window only puts the program into the tray.
  setQuitOnLastWindowClosed(false);
}

bool TApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (...) {
    toolkit::ErrorBox::report(std::current_exception());
    return false;
  }
}

}  // namespace torvelle::shell
