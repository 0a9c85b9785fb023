#include <QApplication>
#include <QDesktopServices>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTest>
#include <QWidget>

#include "platform/LinuxNotifyArea.h"
#include "platform/ShellOpen.h"

using torvelle::platform::NotifyAll;
using torvelle::platform::NotifyTip;
using torvelle::platform::TLinuxNotifyArea;
using torvelle::platform::TLinuxShellOpen;
using torvelle::platform::TNotifyIconData;
using torvelle::platform::TNotifyMouse;
using torvelle::platform::TNotifyOperation;

namespace {

QIcon redIcon() {
  QPixmap red(16, 16);
  red.fill(Qt::red);
  return QIcon(red);
}

}  // namespace

// Stands in for the desktop's web browser and mail program.
class UrlCatcher : public QObject {
  Q_OBJECT
 public:
  QList<QUrl> urls;
 public slots:
  void open(const QUrl& url) { urls += url; }
};

class LinuxServicesTest : public QObject {
  Q_OBJECT
 private slots:
  void shellOpenHandsTheDecidedUrlToTheDesktop();
  void trayIconFollowsTheOperations();
  void trayActivationsBecomeMouseEvents();
  void taskBarEntryKeepsWindowTypeAndVisibility();
};

void LinuxServicesTest::shellOpenHandsTheDecidedUrlToTheDesktop() {
  UrlCatcher catcher;
  for (const char* scheme : {"http", "mailto"})
    QDesktopServices::setUrlHandler(scheme, &catcher, "open");
  TLinuxShellOpen shell;
  shell.open("www.example.org");
  shell.open("mailto:ivan@example.org?subject=Hi&body=Text");
  shell.open("not an address");
  for (const char* scheme : {"http", "mailto"}) QDesktopServices::unsetUrlHandler(scheme);
  QCOMPARE(catcher.urls.size(), 2);
  QCOMPARE(catcher.urls[0], QUrl("http://www.example.org"));
  QCOMPARE(catcher.urls[1].toString(), QString("mailto:ivan@example.org?subject=Hi&body=Text"));
}

void LinuxServicesTest::trayIconFollowsTheOperations() {
  TLinuxNotifyArea area;
  area.notify(TNotifyOperation::Modify, {5, redIcon(), "ignored"}, NotifyAll);
  QVERIFY(area.findChildren<QSystemTrayIcon*>().isEmpty());  // nothing to modify yet

  area.notify(TNotifyOperation::Add, {5, redIcon(), "Organizer"}, NotifyAll);
  const auto icons = area.findChildren<QSystemTrayIcon*>();
  QCOMPARE(icons.size(), 1);
  QCOMPARE(icons[0]->toolTip(), QString("Organizer"));
  QVERIFY(!icons[0]->icon().isNull());
  QVERIFY(icons[0]->contextMenu() == nullptr);  // the component pops its own menu

  // Only the parts the flags name change.
  area.notify(TNotifyOperation::Modify, {5, QIcon(), "Ежедневник"}, NotifyTip);
  QCOMPARE(icons[0]->toolTip(), QString("Ежедневник"));
  QVERIFY(!icons[0]->icon().isNull());

  QPointer<QSystemTrayIcon> gone = icons[0];
  area.notify(TNotifyOperation::Delete, {5, {}, {}}, NotifyAll);
  QTRY_VERIFY(gone.isNull());
  area.notify(TNotifyOperation::Delete, {5, {}, {}}, NotifyAll);  // twice: harmless
}

void LinuxServicesTest::trayActivationsBecomeMouseEvents() {
  TLinuxNotifyArea area;
  area.notify(TNotifyOperation::Add, {9, redIcon(), "a"}, NotifyAll);
  area.notify(TNotifyOperation::Add, {4, redIcon(), "b"}, NotifyAll);
  QSignalSpy events(&area, &TLinuxNotifyArea::mouseEvent);
  QSystemTrayIcon* nine = nullptr;
  for (QSystemTrayIcon* icon : area.findChildren<QSystemTrayIcon*>())
    if (icon->toolTip() == "a") nine = icon;
  QVERIFY(nine != nullptr);
  emit nine->activated(QSystemTrayIcon::Trigger);
  emit nine->activated(QSystemTrayIcon::DoubleClick);
  emit nine->activated(QSystemTrayIcon::Context);
  emit nine->activated(QSystemTrayIcon::MiddleClick);
  QCOMPARE(events.count(), 4);
  const TNotifyMouse expected[] = {TNotifyMouse::LeftDown, TNotifyMouse::LeftDoubleClick,
                                   TNotifyMouse::RightDown, TNotifyMouse::Other};
  for (int i = 0; i < 4; ++i) {
    QCOMPARE(events[i][0].value<quintptr>(), quintptr{9});
    QCOMPARE(events[i][1].value<TNotifyMouse>(), expected[i]);
  }
}

void LinuxServicesTest::taskBarEntryKeepsWindowTypeAndVisibility() {
  TLinuxNotifyArea area;
  QWidget window;
  window.setWindowFlag(Qt::WindowStaysOnTopHint);
  window.show();
  QVERIFY(QTest::qWaitForWindowExposed(&window));

  area.setTaskBarEntryVisible(&window, false);
  QCOMPARE(window.windowType(), Qt::Tool);
  QVERIFY(window.isVisible());
  QVERIFY(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));

  area.setTaskBarEntryVisible(&window, true);
  QCOMPARE(window.windowType(), Qt::Window);
  QVERIFY(window.isWindow());
  QVERIFY(window.isVisible());

  // A window put away in the tray stays hidden.
  window.hide();
  area.setTaskBarEntryVisible(&window, false);
  QVERIFY(!window.isVisible());
  QCOMPARE(window.windowType(), Qt::Tool);
  area.setTaskBarEntryVisible(nullptr, false);
}

QTEST_MAIN(LinuxServicesTest)
#include "LinuxServicesTest.moc"
