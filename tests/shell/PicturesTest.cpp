#include <QImage>
#include <QTest>

#include "resources/Pictures.h"

namespace pictures = torvelle::pictures;

class PicturesTest : public QObject {
  Q_OBJECT
 private slots:
  void picturesHaveTheirPlacesSizes_data();
  void picturesHaveTheirPlacesSizes();
  void programIconHasEverySize();
  void doubledPictureForScaledScreens();
};

void PicturesTest::picturesHaveTheirPlacesSizes_data() {
  QTest::addColumn<QPixmap>("picture");
  QTest::addColumn<QSize>("size");
  QTest::newRow("logo") << pictures::logo() << QSize(47, 47);
  QTest::newRow("emblem") << pictures::aboutEmblem() << QSize(32, 25);
  QTest::newRow("maker") << pictures::makerBanner() << QSize(120, 32);
  QTest::newRow("program") << pictures::programRule() << QSize(137, 11);
  QTest::newRow("web") << pictures::webRule() << QSize(128, 11);
}

void PicturesTest::picturesHaveTheirPlacesSizes() {
  QFETCH(QPixmap, picture);
  QFETCH(QSize, size);
  QVERIFY(!picture.isNull());
  QCOMPARE(picture.size(), size);
  // They stand on panels of the window's colour: the background must show.
  const QImage image = picture.toImage();
  QVERIFY(image.hasAlphaChannel());
  QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
}

void PicturesTest::programIconHasEverySize() {
  const QIcon icon = pictures::programIcon();
  for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
    QVERIFY2(icon.availableSizes().contains(QSize(size, size)), qPrintable(QString::number(size)));
    const QImage image = icon.pixmap(size, size).toImage();
    QCOMPARE(image.size(), QSize(size, size));
    // Drawn, not blank: the middle of the page is opaque.
    QCOMPARE(qAlpha(image.pixel(size / 2, size * 3 / 4)), 255);
  }
}

void PicturesTest::doubledPictureForScaledScreens() {
  const QPixmap doubled = pictures::picture("logo.png", 2.0);
  QCOMPARE(doubled.size(), QSize(94, 94));
  QCOMPARE(doubled.devicePixelRatio(), 2.0);
  QCOMPARE(pictures::picture("logo.png", 1.0).size(), QSize(47, 47));
  QVERIFY(pictures::picture("no-such.png", 2.0).isNull());
}

QTEST_MAIN(PicturesTest)
#include "PicturesTest.moc"
