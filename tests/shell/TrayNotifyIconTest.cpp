#include <QApplication>
#include <QCursor>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>
#include <memory>

#include "platform/fake/FakeNotifyArea.h"
#include "shell/IconManager.h"
#include "shell/TrayNotifyIcon.h"

using torvelle::platform::NotifyAll;
using torvelle::platform::NotifyIcon;
using torvelle::platform::NotifyTip;
using torvelle::platform::TFakeNotifyArea;
using torvelle::platform::TNotifyMouse;
using torvelle::platform::TNotifyOperation;
using torvelle::shell::TIconManager;
using torvelle::shell::TTrayNotifyIcon;

namespace {

constexpr int kInterval = 60;

QIcon redIcon() {
  QPixmap pixmap(16, 16);
  pixmap.fill(Qt::red);
  return QIcon(pixmap);
}

}  // namespace

class TrayNotifyIconTest : public QObject {
  Q_OBJECT
 private slots:
  void init();
  void cleanup();
  void visibilityAddsAndDeletesOnChangeOnly();
  void iconChangeIsSentWhileVisible();
  void hintIsSentOnlyOnChangeAndWhileVisible();
  void hintIsCutTo63Characters();
  void singleClickIsReportedAfterTheInterval();
  void doubleClickIsNotAlsoASingleClick();
  void strayDoubleClickDoesNotSwallowTheNextClick();
  void activationOpensLikeADoubleClick();
  void eventsReachOnlyTheirOwnIcon();
  void rightClickPopsMenuAtCursor();
  void destroyedMenuIsForgotten();
  void hideTaskActsOnChangeOnly();

 private:
  TTrayNotifyIcon& tray() { return *tray_; }
  std::unique_ptr<TFakeNotifyArea> area_;
  std::unique_ptr<TIconManager> manager_;
  std::unique_ptr<TTrayNotifyIcon> tray_;
  quintptr id_ = 0;
};

void TrayNotifyIconTest::init() {
  area_ = std::make_unique<TFakeNotifyArea>();
  manager_ = std::make_unique<TIconManager>(*area_);
  tray_ = std::make_unique<TTrayNotifyIcon>(*manager_);
  tray_->setClickInterval(kInterval);
  // The id is learnt from the first call the icon makes.
  tray_->setIconVisible(true);
  id_ = area_->calls.at(0).data.id;
  tray_->setIconVisible(false);
  area_->calls.clear();
}

void TrayNotifyIconTest::cleanup() {
  tray_.reset();
  manager_.reset();
  area_.reset();
}

void TrayNotifyIconTest::visibilityAddsAndDeletesOnChangeOnly() {
  QCOMPARE(tray().clickInterval(), kInterval);
  tray().setIconVisible(false);
  QVERIFY(area_->calls.empty());
  tray().setIconVisible(true);
  tray().setIconVisible(true);
  tray().setIconVisible(false);
  QCOMPARE(area_->calls.size(), std::size_t{2});
  QCOMPARE(area_->calls[0].operation, TNotifyOperation::Add);
  QCOMPARE(area_->calls[0].flags, int(NotifyAll));
  QCOMPARE(area_->calls[1].operation, TNotifyOperation::Delete);
  QCOMPARE(area_->calls[1].data.id, id_);
  // No Icon given: a fallback picture is sent, never an empty one.
  QVERIFY(!area_->calls[0].data.icon.pixmap(16, 16).isNull());

  // Destroyed while shown: it leaves the tray, and a late event finds nobody.
  tray().setIconVisible(true);
  tray_.reset();
  QCOMPARE(area_->calls.back().operation, TNotifyOperation::Delete);
  QCOMPARE(area_->calls.size(), std::size_t{4});
  area_->simulate(id_, TNotifyMouse::LeftDown);
}

void TrayNotifyIconTest::iconChangeIsSentWhileVisible() {
  tray().setIcon(redIcon());
  QVERIFY(area_->calls.empty());
  tray().setIconVisible(true);
  QCOMPARE(area_->calls.at(0).data.icon.pixmap(16, 16).toImage().pixelColor(8, 8), QColor(Qt::red));
  // The same picture again is still sent.
  tray().setIcon(tray().icon());
  QCOMPARE(area_->calls.size(), std::size_t{2});
  QCOMPARE(area_->calls[1].operation, TNotifyOperation::Modify);
  QCOMPARE(area_->calls[1].flags, int(NotifyIcon));
}

void TrayNotifyIconTest::hintIsSentOnlyOnChangeAndWhileVisible() {
  tray().setHint("Organizer");
  QVERIFY(area_->calls.empty());
  QCOMPARE(tray().hint(), QString("Organizer"));

  tray().setIconVisible(true);
  QCOMPARE(area_->calls.at(0).data.tip, QString("Organizer"));

  tray().setHint("Organizer");
  QCOMPARE(area_->calls.size(), std::size_t{1});
  tray().setHint("Ежедневник");
  QCOMPARE(area_->calls.size(), std::size_t{2});
  QCOMPARE(area_->calls[1].operation, TNotifyOperation::Modify);
  QCOMPARE(area_->calls[1].flags, int(NotifyTip));
  QCOMPARE(area_->calls[1].data.tip, QString("Ежедневник"));
}

void TrayNotifyIconTest::hintIsCutTo63Characters() {
  const QString long70 = QString(70, u'ж');
  tray().setHint(long70);
  tray().setIconVisible(true);
  QCOMPARE(area_->calls.at(0).data.tip, QString(63, u'ж'));
  QCOMPARE(tray().hint(), long70);  // the property keeps the whole text

  // A character outside the basic plane is two UTF-16 units and one
  // character: it is counted once and never split.
  const QString clef = QString::fromUcs4(U"\U0001D11E");
  const QString mixed = QString(62, u'a') + clef + clef;
  tray().setHint(mixed);
  QCOMPARE(area_->calls.back().data.tip, QString(62, u'a') + clef);
  QCOMPARE(TTrayNotifyIcon::tipText(QString(62, u'a')), QString(62, u'a'));
}

void TrayNotifyIconTest::singleClickIsReportedAfterTheInterval() {
  QSignalSpy clicks(&tray(), &TTrayNotifyIcon::OnClick);
  QSignalSpy doubles(&tray(), &TTrayNotifyIcon::OnDblClick);
  area_->simulate(id_, TNotifyMouse::LeftDown);
  QTest::qWait(kInterval / 3);
  QCOMPARE(clicks.count(), 0);
  QTRY_COMPARE_WITH_TIMEOUT(clicks.count(), 1, 1000);
  QTest::qWait(kInterval * 2);
  QCOMPARE(clicks.count(), 1);
  QCOMPARE(doubles.count(), 0);
}

void TrayNotifyIconTest::doubleClickIsNotAlsoASingleClick() {
  QSignalSpy clicks(&tray(), &TTrayNotifyIcon::OnClick);
  QSignalSpy doubles(&tray(), &TTrayNotifyIcon::OnDblClick);
  area_->simulate(id_, TNotifyMouse::LeftDown);
  area_->simulate(id_, TNotifyMouse::Other);  // button up
  area_->simulate(id_, TNotifyMouse::LeftDoubleClick);
  QCOMPARE(doubles.count(), 1);  // at once
  QTest::qWait(kInterval * 3);
  QCOMPARE(clicks.count(), 0);
  QCOMPARE(doubles.count(), 1);
}

void TrayNotifyIconTest::strayDoubleClickDoesNotSwallowTheNextClick() {
  // A double click whose press was already reported (or never seen) must not
  // leave its mark on the next, separate click.
  QSignalSpy clicks(&tray(), &TTrayNotifyIcon::OnClick);
  area_->simulate(id_, TNotifyMouse::LeftDoubleClick);
  area_->simulate(id_, TNotifyMouse::LeftDown);
  QTRY_COMPARE_WITH_TIMEOUT(clicks.count(), 1, 1000);
}

void TrayNotifyIconTest::activationOpensLikeADoubleClick() {
  QSignalSpy clicks(&tray(), &TTrayNotifyIcon::OnClick);
  QSignalSpy doubles(&tray(), &TTrayNotifyIcon::OnDblClick);
  area_->simulate(id_, TNotifyMouse::Activate);
  QCOMPARE(doubles.count(), 1);
  QTest::qWait(kInterval * 3);
  QCOMPARE(clicks.count(), 0);
}

void TrayNotifyIconTest::eventsReachOnlyTheirOwnIcon() {
  TTrayNotifyIcon other(*manager_);
  QSignalSpy ours(&tray(), &TTrayNotifyIcon::OnDblClick);
  QSignalSpy theirs(&other, &TTrayNotifyIcon::OnDblClick);
  other.setIconVisible(true);
  const quintptr otherId = area_->calls.back().data.id;
  QVERIFY(otherId != id_);
  area_->simulate(otherId, TNotifyMouse::LeftDoubleClick);
  area_->simulate(otherId + 1000, TNotifyMouse::LeftDoubleClick);
  QCOMPARE(theirs.count(), 1);
  QCOMPARE(ours.count(), 0);
}

void TrayNotifyIconTest::rightClickPopsMenuAtCursor() {
  area_->simulate(id_, TNotifyMouse::RightDown);
  QVERIFY(QApplication::activePopupWidget() == nullptr);

  QMenu menu;
  menu.addAction("Open");
  menu.addAction("Shut down");
  tray().setPopupMenu(&menu);
  QCursor::setPos(120, 90);
  const QPoint cursor = QCursor::pos();
  area_->simulate(id_, TNotifyMouse::RightDown);
  QVERIFY(menu.isVisible());
  QCOMPARE(menu.pos(), cursor);
  menu.close();
}

void TrayNotifyIconTest::destroyedMenuIsForgotten() {
  auto menu = std::make_unique<QMenu>();
  tray().setPopupMenu(menu.get());
  QCOMPARE(tray().popupMenu(), menu.get());
  menu.reset();
  QCOMPARE(tray().popupMenu(), nullptr);
  area_->simulate(id_, TNotifyMouse::RightDown);  // must not touch the dead menu
  QVERIFY(QApplication::activePopupWidget() == nullptr);
}

void TrayNotifyIconTest::hideTaskActsOnChangeOnly() {
  QWidget window;
  tray().setHideTask(false);
  tray().setTaskWindow(&window);
  QVERIFY(area_->taskBarCalls.empty());

  tray().setHideTask(true);
  tray().setHideTask(true);
  tray().setHideTask(false);
  tray().setHideTask(false);
  QCOMPARE(area_->taskBarCalls.size(), std::size_t{2});
  QCOMPARE(area_->taskBarCalls[0].window, &window);
  QCOMPARE(area_->taskBarCalls[0].visible, false);
  QCOMPARE(area_->taskBarCalls[1].visible, true);

  // Hidden before the window was known: the window gets no entry either.
  TTrayNotifyIcon early(*manager_);
  early.setHideTask(true);
  QCOMPARE(area_->taskBarCalls.size(), std::size_t{2});
  early.setTaskWindow(&window);
  QCOMPARE(area_->taskBarCalls.size(), std::size_t{3});
  QCOMPARE(area_->taskBarCalls[2].visible, false);
}

QTEST_MAIN(TrayNotifyIconTest)
#include "TrayNotifyIconTest.moc"
