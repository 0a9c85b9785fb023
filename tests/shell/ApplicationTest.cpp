#include <QObject>
#include <QStringList>
#include <QTest>
#include <stdexcept>

#include "ShellFixture.h"
#include "engine/DbError.h"
#include "shell/Application.h"
#include "shell/MainForm.h"

namespace {

// An object whose handler fails as an engine call in a slot can.
class Failing : public QObject {
 protected:
  bool event(QEvent* event) override {
    if (event->type() == QEvent::User)
      throw torvelle::engine::DbError(torvelle::engine::DbError::Kind::KeyViolation,
                                      "Key violation.");
    return QObject::event(event);
  }
};

}  // namespace

class ApplicationTest : public QObject {
  Q_OBJECT
 private slots:
  void handlerFailureReachesTheErrorBox();
  void engineReportGoesToTheErrorBox();
};

void ApplicationTest::handlerFailureReachesTheErrorBox() {
  QStringList shown;
  torvelle::toolkit::ErrorBox::setSink([&shown](const QString& m) { shown << m; });
  Failing failing;
  QEvent event(QEvent::User);
  QCoreApplication::sendEvent(&failing, &event);
  QCOMPARE(shown, QStringList{"Key violation."});
  torvelle::toolkit::ErrorBox::setSink({});
}

void ApplicationTest::engineReportGoesToTheErrorBox() {
  ShellFixture f;
  QVERIFY(f.start());
  f.main().session().reportError(std::make_exception_ptr(std::runtime_error("filter failed")));
  QCOMPARE(f.errors, QStringList{"filter failed"});
}

int main(int argc, char** argv) {
  torvelle::shell::TApplication app(argc, argv);
  ApplicationTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "ApplicationTest.moc"
