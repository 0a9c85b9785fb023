#include <QApplication>
#include <QHelpEvent>
#include <QLabel>
#include <QtTest>
#include <stdexcept>

#include "engine/DbError.h"
#include "toolkit/ErrorBox.h"
#include "toolkit/ToolTips.h"

using torvelle::toolkit::ErrorBox;
using torvelle::toolkit::ToolTips;

class ErrorBoxTest : public QObject {
  Q_OBJECT
 private slots:
  void reportsTheEngineMessageAndSwallowsTheFailure() {
    QStringList seen;
    ErrorBox::setSink([&](const QString& m) { seen << m; });
    const bool completed = ErrorBox::guard([] {
      throw torvelle::engine::DbError(torvelle::engine::DbError::Kind::KeyViolation,
                                      "Key violation.");
    });
    QVERIFY(!completed);
    QVERIFY(ErrorBox::guard([] {}));
    ErrorBox::report(std::make_exception_ptr(42));
    ErrorBox::setSink({});
    QCOMPARE(seen, QStringList({"Key violation.", "Unknown error"}));
  }

  void switchingToolTipsOffSwallowsTheirEvents() {
    QLabel label("x");
    label.setToolTip("hint");
    QHelpEvent event(QEvent::ToolTip, QPoint(1, 1), QPoint(1, 1));
    ToolTips::setEnabled(false);
    QVERIFY(qApp->notify(&label, &event));  // eaten by the filter
    QVERIFY(!ToolTips::enabled());
    ToolTips::setEnabled(true);
    QVERIFY(ToolTips::enabled());
    QCOMPARE(label.toolTip(), QString("hint"));
  }
};

QTEST_MAIN(ErrorBoxTest)
#include "ErrorBoxTest.moc"
