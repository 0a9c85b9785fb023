#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include "platform/fake/FakeServices.h"
#include "shell/AboutBox.h"
#include "shell/SplashForm.h"
#include "support/ScrambledTexts.h"

using torvelle::shell::TAboutBox;

namespace {

void mouse(QWidget* target, QEvent::Type type) {
  const QPointF at(2, 2);
  QMouseEvent event(type, at, target->mapToGlobal(at), Qt::LeftButton,
                    type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                    Qt::NoModifier);
  QApplication::sendEvent(target, &event);
}

QColor textColour(const QLabel* label) {
  return label->palette().color(QPalette::WindowText);
}

}  // namespace

class AboutBoxTest : public QObject {
  Q_OBJECT
 private slots:
  void linkTextsAndLogoAreSetAtCreation();
  void clickShiftsTheLabelAndOpensItsAddress();
  void highlightFollowsTheMouse();
  void escapeCloses();
};

void AboutBoxTest::linkTextsAndLogoAreSetAtCreation() {
  torvelle::shell::TSplashForm splash;
  splash.setSecondLine(QString::fromStdString(torvelle::support::splashSecondLine()));
  torvelle::platform::TFakeShellOpen shell;
  TAboutBox box(shell, splash.LogoImage->pixmap());
  QCOMPARE(box.Label5->text(), splash.Label2->text());
  QCOMPARE(box.Label3->text(), QString::fromStdString(torvelle::support::firstLinkText()));
  QVERIFY(!box.ProgramIcon->pixmap().isNull());
  QCOMPARE(box.ProgramIcon->pixmap().toImage(), splash.LogoImage->pixmap().toImage());
  // Nothing in the box reaches past its panel.
  for (const QLabel* label : {box.Label3, box.Label4, box.Label5})
    QVERIFY2(box.Panel1->rect().contains(label->geometry()), qPrintable(label->objectName()));
  QCOMPARE(splash.ProgressBar1->maximum(), 100);
}

void AboutBoxTest::clickShiftsTheLabelAndOpensItsAddress() {
  torvelle::platform::TFakeShellOpen shell;
  TAboutBox box(shell, QPixmap());
  box.setHandOverWait(20);
  const struct {
    QLabel* label;
    QString address;
  } links[] = {
      {box.Label3, QString::fromStdString(torvelle::support::firstLinkAddress())},
      {box.Label4, QString::fromStdString(torvelle::support::secondLinkAddress())},
      {box.Label5, box.Label5->text()},
  };
  for (const auto& link : links) {
    shell.opened.clear();
    const QPoint at = link.label->pos();
    mouse(link.label, QEvent::MouseButtonPress);
    QCOMPARE(link.label->pos(), at + QPoint(1, 1));
    mouse(link.label, QEvent::MouseButtonRelease);
    QCOMPARE(link.label->pos(), at);
    QVERIFY(shell.opened.isEmpty());  // the timer hands it over
    QTRY_COMPARE(shell.opened, QStringList{link.address});
  }
  QVERIFY(links[0].address.contains(QStringLiteral("&body=")));
  QVERIFY(links[0].address != box.Label3->text());
}

void AboutBoxTest::highlightFollowsTheMouse() {
  torvelle::platform::TFakeShellOpen shell;
  TAboutBox box(shell, QPixmap());
  const QColor blue(0, 0, 255);
  const QColor normal = QApplication::palette(box.Label3).color(QPalette::WindowText);
  mouse(box.Label3, QEvent::MouseMove);
  QCOMPARE(textColour(box.Label3), blue);
  mouse(box.Label4, QEvent::MouseMove);
  QCOMPARE(textColour(box.Label3), normal);
  QCOMPARE(textColour(box.Label4), blue);
  mouse(box.Panel1, QEvent::MouseMove);
  for (const QLabel* label : {box.Label3, box.Label4, box.Label5})
    QCOMPARE(textColour(label), normal);

  // The highlight of a composed address stays until the hand-over wait ends.
  box.setHandOverWait(400);
  mouse(box.Label4, QEvent::MouseMove);
  mouse(box.Label4, QEvent::MouseButtonPress);
  mouse(box.Label4, QEvent::MouseButtonRelease);
  QTRY_COMPARE(shell.opened.size(), qsizetype(1));
  QCOMPARE(textColour(box.Label4), blue);
  QTRY_COMPARE(textColour(box.Label4), normal);
}

void AboutBoxTest::escapeCloses() {
  torvelle::platform::TFakeShellOpen shell;
  TAboutBox box(shell, QPixmap());
  box.show();
  QCOMPARE(QApplication::focusWidget() ? QApplication::focusWidget() : box.focusWidget(),
           static_cast<QWidget*>(box.Button1));
  QTest::keyClick(&box, Qt::Key_Escape);
  QVERIFY(!box.isVisible());
}

QTEST_MAIN(AboutBoxTest)
#include "AboutBoxTest.moc"
