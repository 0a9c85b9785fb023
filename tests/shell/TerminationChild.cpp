// Not a test: the organizer over a given folder with a task half typed into
// the grid, waiting for a signal from the termination test.
#include <QApplication>
#include <QCheckBox>
#include <QTest>
#include <cstdio>

#include "books/TasksBook.h"
#include "platform/fake/FakeInstanceList.h"
#include "platform/fake/FakeNotifyArea.h"
#include "platform/fake/FakeServices.h"
#include "shell/MainForm.h"
#include "shell/Startup.h"
#include "shell/ToolsForm.h"
#include "toolkit/DBGrid.h"

int main(int argc, char** argv) {
  using namespace torvelle;
  QApplication app(argc, argv);
  if (argc < 2) return 2;
  platform::TFakeInstanceList instances;
  platform::TFakeNotifyArea notifyArea;
  platform::TFakeShellOpen shellOpen;
  platform::TFakeAutoStartStore autoStart;
  shell::TStartupOptions options;
  options.programPath = QString::fromLocal8Bit(argv[1]) + QStringLiteral("/torvelle");
  shell::TStartup startup({instances, notifyArea, shellOpen, autoStart}, std::move(options));
  if (!startup.start()) return 3;
  startup.endOnTerminationRequests();

  shell::TMainForm& main = *startup.mainForm();
  if (!QTest::qWaitForWindowActive(&main)) return 4;
  startup.toolsForm()->SaveWindowPositionCB->setChecked(true);
  main.move(21, 43);
  auto* grid = main.TasksBook->TaskDBGrid;
  grid->setFocus();
  QTest::keyClick(grid, Qt::Key_Insert);
  QTest::keyClicks(grid, QStringLiteral("H"));
  QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("alf typed"));
  std::puts("ready");
  std::fflush(stdout);
  return startup.run();
}
