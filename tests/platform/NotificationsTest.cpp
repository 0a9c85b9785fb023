// The three ways a note reaches the user, tried in order: the desktop's
// notification service over a real D-Bus daemon of the test's own with a
// stand-in server, the tray balloon through the fake notification area, and
// the program's own window.
#include <QDBusConnection>
#include <QDBusMessage>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QThread>
#include <QtTest>

#include "platform/BalloonNotifications.h"
#include "platform/FreedesktopNotifications.h"
#include "platform/WindowNotifications.h"
#include "platform/fake/FakeNotifyArea.h"

using namespace torvelle::platform;

// Answers as a notification server does; runs in a thread of its own so
// that the program's blocking call can be answered.
class NotificationServer : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
 public:
  QStringList received;  // summary, body, actions joined by '|'

 public slots:
  QStringList GetCapabilities() { return {QStringLiteral("actions"), QStringLiteral("body")}; }
  uint Notify(const QString&, uint, const QString&, const QString& summary, const QString& body,
              const QStringList& actions, const QVariantMap&, int) {
    received << summary + QLatin1Char('|') + body + QLatin1Char('|') + actions.join(u'|');
    return 40 + static_cast<uint>(received.size());
  }
};

class NotificationsTest : public QObject {
  Q_OBJECT

 private:
  QProcess daemon_;
  QString address_;

 private slots:
  void initTestCase() {
    daemon_.start(QStringLiteral("dbus-daemon"),
                  {QStringLiteral("--session"), QStringLiteral("--nofork"),
                   QStringLiteral("--print-address=1")});
    if (!daemon_.waitForStarted(5000) || !daemon_.waitForReadyRead(5000))
      QSKIP("no dbus-daemon to run a session bus on");
    address_ = QString::fromLocal8Bit(daemon_.readLine()).trimmed();
  }

  void cleanupTestCase() {
    daemon_.terminate();
    daemon_.waitForFinished(5000);
  }

  void desktopServiceCarriesTheNoteAndItsAnswer() {
    QDBusConnection serverBus = QDBusConnection::connectToBus(address_, QStringLiteral("server"));
    QDBusConnection programBus = QDBusConnection::connectToBus(address_, QStringLiteral("program"));
    QVERIFY(serverBus.isConnected() && programBus.isConnected());

    TFreedesktopNotifications desktop(programBus);
    TFakeNotifyArea area;
    TBalloonNotifications balloon(area, [] { return quintptr(1); });
    // With a tray at hand too, the desktop's service comes first.
    TNotificationChain chain({&desktop, &balloon});
    QThread thread;
    NotificationServer server;
    server.moveToThread(&thread);
    thread.start();
    QVERIFY(serverBus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &server,
                                     QDBusConnection::ExportAllSlots));
    QVERIFY(serverBus.registerService(QStringLiteral("org.freedesktop.Notifications")));

    QSignalSpy answers(&chain, &TDesktopNotifications::actionInvoked);
    QVERIFY(desktop.isAvailable());
    const quint32 id = chain.show({QStringLiteral("Call the bank"),
                                   QStringLiteral("Due at 14:00"),
                                   {QStringLiteral("default"), QStringLiteral("Open"),
                                    QStringLiteral("done"), QStringLiteral("Done")}});
    QCOMPARE(id, 1u);
    QVERIFY(area.messages.empty());
    thread.quit();
    thread.wait();
    QCOMPARE(server.received, QStringList{"Call the bank|Due at 14:00|default|Open|done|Done"});

    // The server's answer names its own id; the chain hands on its own.
    QDBusMessage signal = QDBusMessage::createSignal(
        QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("ActionInvoked"));
    signal << 999u << QStringLiteral("done");  // someone else's note
    serverBus.send(signal);
    signal.setArguments({41u, QStringLiteral("done")});
    serverBus.send(signal);
    QVERIFY(answers.wait(5000));
    QCOMPARE(answers.size(), 1);
    QCOMPARE(answers[0][0].toUInt(), id);
    QCOMPARE(answers[0][1].toString(), QStringLiteral("done"));

    serverBus.unregisterService(QStringLiteral("org.freedesktop.Notifications"));
    QDBusConnection::disconnectFromBus(QStringLiteral("server"));
    QDBusConnection::disconnectFromBus(QStringLiteral("program"));
  }

  void balloonThenWindowWhereThereIsNoTray() {
    TFakeNotifyArea area;
    quintptr icon = 5;
    TBalloonNotifications balloon(area, [&icon] { return icon; });
    TWindowNotifications windows;
    TNotificationChain chain({&balloon, &windows});
    QSignalSpy answers(&chain, &TDesktopNotifications::actionInvoked);

    const quint32 first = chain.show({QStringLiteral("Dentist"), QStringLiteral("Due"), {}});
    QCOMPARE(area.messages.size(), std::size_t(1));
    QCOMPARE(area.messages[0].id, quintptr(5));
    QCOMPARE(area.messages[0].title, QStringLiteral("Dentist"));
    emit area.messageClicked(6);  // another icon's balloon
    emit area.messageClicked(5);
    QCOMPARE(answers.size(), 1);
    QCOMPARE(answers[0][0].toUInt(), first);
    QCOMPARE(answers[0][1].toString(), QStringLiteral("default"));

    // The icon gone from the tray: a window of ours.
    icon = 0;
    const quint32 second = chain.show({QStringLiteral("Anna's birthday"),
                                       QStringLiteral("today"),
                                       {QStringLiteral("default"), QStringLiteral("Open"),
                                        QStringLiteral("done"), QStringLiteral("Done")}});
    QCOMPARE(area.messages.size(), std::size_t(1));
    QCOMPARE(windows.windows().size(), 1);
    TNoteWindow* note = windows.windows().front();
    QVERIFY(note->isVisible());
    QCOMPARE(note->TitleLabel->text(), QStringLiteral("Anna's birthday"));
    // Only the non-default action has a button; activation is a click.
    QVERIFY(note->findChild<QPushButton*>(QStringLiteral("defaultButton")) == nullptr);
    QTest::mouseClick(note->findChild<QPushButton*>(QStringLiteral("doneButton")), Qt::LeftButton);
    QCOMPARE(answers.size(), 2);
    QCOMPARE(answers[1][0].toUInt(), second);
    QCOMPARE(answers[1][1].toString(), QStringLiteral("done"));
    QTRY_VERIFY(windows.windows().isEmpty());
  }
};

QTEST_MAIN(NotificationsTest)
#include "NotificationsTest.moc"
