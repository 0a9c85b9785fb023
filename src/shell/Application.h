#pragma once
#include <QApplication>

namespace torvelle::shell {

// The application object. A failure that leaves an event handler unhandled
// is shown in the error box instead of ending the program.
class TApplication : public QApplication {
  Q_OBJECT
 public:
  TApplication(int& argc, char** argv);
  bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace torvelle::shell
