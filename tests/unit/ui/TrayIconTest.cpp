#include "ui/TrayIcon.h"
#include "support/TestRegistry.h"

#include <QFile>
#include <QTest>

using namespace velto;

namespace {

int maxAlpha(const QImage& image)
{
    int result = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            result = std::max(result, qAlpha(image.pixel(x, y)));
    return result;
}

} // namespace

class TrayIconTest : public QObject
{
    Q_OBJECT

private slots:
    void theLogoIsDrawnAtTheAskedOpacityAndPulses()
    {
        const QImage full = TrayIcon::makeStatusIcon().pixmap(22).toImage();
        QVERIFY(!full.isNull());
        // Monochrome on transparent: opaque strokes, the corners left clear.
        QCOMPARE(qAlpha(full.pixel(0, full.height() - 1)), 0);
        QCOMPARE(maxAlpha(full), 255);
        const int faded = maxAlpha(TrayIcon::makeStatusIcon(0.4).pixmap(22).toImage());
        QVERIFY2(std::abs(faded - 102) <= 3, qPrintable(QString::number(faded)));

#ifdef VELTO_STATUS_LOGO_PNGS
        // Drawn from the PNGs made at build time: the idle app loads no SVG renderer.
        QFile maps("/proc/self/maps");
        QVERIFY(maps.open(QIODevice::ReadOnly));
        QVERIFY(!maps.readAll().contains("libqsvg"));
#endif

        TrayIcon item; // a second start is a no-op, a stop ends it
        item.setPulsing(true);
        item.setPulsing(true);
        QVERIFY(item.isPulsing());
        item.setPulsing(false);
        QVERIFY(!item.isPulsing());
    }
};

VELTO_REGISTER_TEST(TrayIconTest);
#include "TrayIconTest.moc"
