#include "resources/Pictures.h"

#include <QGuiApplication>

// The resources live in a static library: referencing their initialiser
// from here keeps the linker from dropping them. Outside any namespace, as
// the initialiser is declared at global scope.
static void ensureResources() {
  static const bool done = [] {
    Q_INIT_RESOURCE(torvelle);
    return true;
  }();
  (void)done;
}

namespace torvelle::pictures {

QPixmap picture(const QString& name, qreal ratio) {
  ensureResources();
  const QString path = QStringLiteral(":/torvelle/") + name;
  if (ratio > 1.0) {
    // Drawn at twice the size for screens that scale: sharp instead of blown up.
    QPixmap doubled(QString(path).replace(QStringLiteral(".png"), QStringLiteral("@2x.png")));
    if (!doubled.isNull()) {
      doubled.setDevicePixelRatio(2.0);
      return doubled;
    }
  }
  return QPixmap(path);
}

namespace {

QPixmap load(const char* name) {
  return picture(QLatin1String(name), qGuiApp ? qGuiApp->devicePixelRatio() : 1.0);
}

}  // namespace

QIcon programIcon() {
  ensureResources();
  QIcon icon;
  for (const int size : {16, 22, 24, 32, 48, 64, 128, 256})
    icon.addFile(QStringLiteral(":/torvelle/torvelle-%1.png").arg(size), QSize(size, size));
  return icon;
}

QPixmap logo() {
  return load("logo.png");
}
QPixmap aboutEmblem() {
  return load("about-book.png");
}
QPixmap makerBanner() {
  return load("about-maker.png");
}
QPixmap programRule() {
  return load("about-program.png");
}
QPixmap webRule() {
  return load("about-web.png");
}

}  // namespace torvelle::pictures
