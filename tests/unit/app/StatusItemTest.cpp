#include "app/StatusItem.h"
#include "support/TestRegistry.h"

#include <QTest>

using namespace velto;

class StatusItemTest : public QObject
{
    Q_OBJECT

private slots:
    void theLogoLoadsFromTheBundle()
    {
        const QIcon icon = StatusItem::makeStatusIcon();
        QVERIFY(!icon.isNull());
        const QImage image = icon.pixmap(22).toImage();
        QVERIFY(!image.isNull());
        // Monochrome on transparent: some pixels drawn, the corners left clear.
        QCOMPARE(qAlpha(image.pixel(0, image.height() - 1)), 0);
        bool drawn = false;
        for (int y = 0; y < image.height() && !drawn; ++y)
            for (int x = 0; x < image.width() && !drawn; ++x)
                drawn = qAlpha(image.pixel(x, y)) > 200;
        QVERIFY(drawn);
    }

    void aFadedIconIsDrawnAtThatOpacity()
    {
        const QImage full = StatusItem::makeStatusIcon(1.0).pixmap(22).toImage();
        const QImage faded = StatusItem::makeStatusIcon(0.4).pixmap(22).toImage();
        int maxFull = 0;
        int maxFaded = 0;
        for (int y = 0; y < full.height(); ++y)
            for (int x = 0; x < full.width(); ++x) {
                maxFull = std::max(maxFull, qAlpha(full.pixel(x, y)));
                maxFaded = std::max(maxFaded, qAlpha(faded.pixel(x, y)));
            }
        QCOMPARE(maxFull, 255);
        QVERIFY2(std::abs(maxFaded - 102) <= 3, qPrintable(QString::number(maxFaded)));
    }

    void pulseStartsOnceAndStopsAtFullOpacity()
    {
        StatusItem item;
        QVERIFY(!item.isPulsing());
        item.setPulsing(true);
        item.setPulsing(true);
        QVERIFY(item.isPulsing());
        item.setPulsing(false);
        QVERIFY(!item.isPulsing());
        item.setPulsing(false);
        QVERIFY(!item.isPulsing());
    }
};

VELTO_REGISTER_TEST(StatusItemTest);
#include "StatusItemTest.moc"
