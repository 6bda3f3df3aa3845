#include "support/TestRegistry.h"
#include "ui/PopupPlacement.h"

#include <QTest>

using namespace velto;

namespace {

// A desktop with a 32-pixel top bar; the window is the preview's usual size.
const QRect desktop(0, 32, 1920, 1048);
const QSize window(420, 260);

struct PlacementRow
{
    std::optional<QRect> selection;
    QPoint pointer;
    QPoint expected;
    QSize size = window;
    QRect available = desktop;
};

} // namespace

Q_DECLARE_METATYPE(PlacementRow)

class PreviewPlacementTest : public QObject
{
    Q_OBJECT

private slots:
    void opensBesideTheSelectionAndOnScreen_data()
    {
        QTest::addColumn<PlacementRow>("row");
        const QPoint far(5, 5);
        QTest::newRow("middle: under the selection, at its start")
            << PlacementRow{QRect(800, 500, 200, 20), far, {800, 524}};
        QTest::newRow("top left corner") << PlacementRow{QRect(0, 32, 100, 18), far, {0, 54}};
        QTest::newRow("top right corner") << PlacementRow{QRect(1850, 40, 70, 18), far, {1500, 62}};
        QTest::newRow("bottom left corner: above")
            << PlacementRow{QRect(0, 1050, 120, 20), far, {0, 786}};
        QTest::newRow("bottom right corner: above")
            << PlacementRow{QRect(1800, 1055, 100, 20), far, {1500, 791}};
        QTest::newRow("left edge") << PlacementRow{QRect(0, 600, 50, 20), far, {0, 624}};
        QTest::newRow("right edge") << PlacementRow{QRect(1910, 600, 10, 20), far, {1500, 624}};
        QTest::newRow("too little room below: above")
            << PlacementRow{QRect(600, 900, 200, 20), far, {600, 636}};
        QTest::newRow("room on neither side: the larger one, kept on screen")
            << PlacementRow{QRect(300, 100, 600, 900), far, {300, 820}};
        QTest::newRow("window larger than the screen: its top left corner")
            << PlacementRow{QRect(800, 500, 200, 20), far, {0, 32}, QSize(2000, 1200)};
        QTest::newRow("unknown place: under the pointer")
            << PlacementRow{std::nullopt, {700, 400}, {700, 424}};
        QTest::newRow("an empty rectangle counts as unknown")
            << PlacementRow{QRect(), {700, 400}, {700, 424}};
        QTest::newRow("pointer in the bottom right corner")
            << PlacementRow{std::nullopt, {1919, 1079}, {1500, 815}};
        QTest::newRow("a screen right of the first") << PlacementRow{
            QRect(3150, 10, 40, 20), far, {2780, 34}, window, QRect(1920, 0, 1280, 1024)};
        QTest::newRow("a selection reported off the screen")
            << PlacementRow{QRect(-300, 2000, 100, 20), far, {0, 820}};
    }
    void opensBesideTheSelectionAndOnScreen()
    {
        QFETCH(PlacementRow, row);
        const QPoint position =
            besideSelectionPosition(row.size, row.selection, row.pointer, row.available);
        QCOMPARE(position, row.expected);
        const QRect placed(position, row.size);
        if (row.size.width() <= row.available.width() &&
            row.size.height() <= row.available.height())
            QVERIFY(row.available.contains(placed));
        // Where one side has room, the window leaves the selection readable.
        const bool roomSomewhere =
            row.selection && row.selection->isValid() &&
            (row.selection->top() - row.available.top() > row.size.height() ||
             row.available.bottom() - row.selection->bottom() > row.size.height());
        if (roomSomewhere && row.available.contains(*row.selection))
            QVERIFY(!placed.intersects(*row.selection));
    }
};

VELTO_REGISTER_TEST(PreviewPlacementTest);
#include "PreviewPlacementTest.moc"
