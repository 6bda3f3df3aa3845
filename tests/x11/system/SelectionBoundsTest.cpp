#include "fakes/platform/FakeWorkspace.h"
#include "support/TestRegistry.h"
#include "x11/support/AccessibleTextPeer.h"
#include "x11/support/EditorWindow.h"
#include "x11/support/XTestKeyboard.h"

#include "platform/linux/AtspiFocusedSelection.h"
#include "platform/x11/X11Connection.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTest>
#include <qcoro/qcorotask.h>

using namespace velto;
using namespace velto::test;
using Toolkit = velto::test::EditorWindow::Toolkit;

namespace {

// Where the window's contents lie on the screen, as the X server places them.
QRect windowOnScreen(X11Connection& connection, std::uint32_t window)
{
    xcb_connection_t* c = connection.xcb();
    QRect area;
    auto* geometry = xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr);
    auto* origin = xcb_translate_coordinates_reply(
        c, xcb_translate_coordinates(c, window, connection.root(), 0, 0), nullptr);
    if (geometry && origin)
        area = QRect(origin->dst_x, origin->dst_y, geometry->width, geometry->height);
    free(geometry);
    free(origin);
    return area;
}

// Moves the window away from the corner, where a place inside the window would pass for one on
// screen, and waits until the window manager has moved it.
bool moveWindow(X11Connection& connection, std::uint32_t window, QPoint to)
{
    xdotool({QStringLiteral("windowmove"), QString::number(window), QString::number(to.x()),
             QString::number(to.y())});
    return QTest::qWaitFor(
        [&] {
            const QRect area = windowOnScreen(connection, window);
            return area.x() >= to.x() && area.y() >= to.y();
        },
        5000);
}

// How an application answers for its selection's place: nothing set is an error.
struct PlaceRow
{
    const char* name;
    std::optional<QRect> range;
    std::optional<QRect> firstCharacter;
    std::optional<QRect> lastCharacter;
    std::optional<QRect> expected;
};

const QRect firstCharacter{100, 120, 8, 18};
const QRect lastCharacter{172, 138, 8, 18};

const PlaceRow placeRows[] = {
    {"range answered", QRect(100, 120, 80, 18), firstCharacter, lastCharacter,
     QRect(100, 120, 80, 18)},
    {"range fails: first and last character", std::nullopt, firstCharacter, lastCharacter,
     QRect(100, 120, 80, 36)},
    {"range without size: first and last character", QRect(100, 120, 0, 0), firstCharacter,
     lastCharacter, QRect(100, 120, 80, 36)},
    {"the last character a line end without width", std::nullopt, firstCharacter,
     QRect(180, 120, 0, 18), QRect(100, 120, 80, 18)},
    {"partly on screen", QRect(1200, 1000, 200, 40), std::nullopt, std::nullopt,
     QRect(1200, 1000, 200, 40)},
    {"every call fails", std::nullopt, std::nullopt, std::nullopt, std::nullopt},
    {"one character fails", std::nullopt, firstCharacter, std::nullopt, std::nullopt},
    {"cannot say (-1 everywhere)", QRect(-1, -1, -1, -1), QRect(-1, -1, -1, -1),
     QRect(-1, -1, -1, -1), std::nullopt},
    {"negative height", QRect(100, 120, 80, -18), std::nullopt, std::nullopt, std::nullopt},
    {"off every screen", QRect(3000, 2000, 80, 18), QRect(3000, 2000, 8, 18),
     QRect(3072, 2000, 8, 18), std::nullopt},
    {"far beyond any desktop", QRect(2147480000, 10, 2000, 18), std::nullopt, std::nullopt,
     std::nullopt},
};

} // namespace

Q_DECLARE_METATYPE(PlaceRow)

// The selection's place on screen, as the editors on the accessibility bus give it.
class SelectionBoundsTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(qEnvironmentVariableIsSet("DISPLAY")); }

    void selectionIsPlacedWhereTheEditorShowsIt_data()
    {
        QTest::addColumn<Toolkit>("toolkit");
        QTest::addColumn<bool>("linesPlaced");
        QTest::newRow("gtk") << Toolkit::gtk << true;
        // Qt 6.4 places every line of a QPlainTextEdit at the height of its first line.
        QTest::newRow("qt, accessibility on") << Toolkit::qtAccessible << false;
    }

    // Two selections: each lies inside the editor's window on the screen, the longer one wider,
    // the one on the second line below the one on the first.
    void selectionIsPlacedWhereTheEditorShowsIt()
    {
        QFETCH(Toolkit, toolkit);
        QFETCH(bool, linesPlaced);
        X11Connection connection;
        fakes::FakeWorkspace front;
        AtspiFocusedSelection focused{front};
        focused.warmUp();
        EditorWindow editor("first line stays\nsecond: these longer words\nthird\n", toolkit);
        QVERIFY(editor.start());
        QVERIFY(moveWindow(connection, editor.window(), {240, 180}));
        QVERIFY(editor.activate());
        const QRect window = windowOnScreen(connection, editor.window());
        const QRect screen = QGuiApplication::primaryScreen()->geometry();

        const auto placeOf = [&](const QString& expected) -> std::optional<QRect> {
            std::optional<SelectedRange> range;
            const bool read = QTest::qWaitFor(
                [&] {
                    range = QCoro::waitFor(focused.selectedRange());
                    return range && range->text == expected;
                },
                5000);
            return read ? range->screenBounds : std::nullopt;
        };
        m_keyboard.selectFromStart(0, 6, 4);
        const std::optional<QRect> word = placeOf("line");
        m_keyboard.selectFromStart(1, 8, 18);
        const std::optional<QRect> words = placeOf("these longer words");

        QVERIFY(word);
        QVERIFY(words);
        for (const QRect& place : {*word, *words}) {
            QVERIFY(!place.isEmpty());
            QVERIFY(screen.contains(place));
            QVERIFY(window.contains(place));
        }
        QVERIFY(words->width() > word->width());
        if (linesPlaced)
            QVERIFY(words->top() >= word->bottom());
    }

    void aPlaceThatCannotBeTrustedIsLeftOutOfTheRead_data()
    {
        QTest::addColumn<PlaceRow>("row");
        for (const PlaceRow& row : placeRows)
            QTest::newRow(row.name) << row;
    }

    // Whatever the application answers for the place, the selection itself is read.
    void aPlaceThatCannotBeTrustedIsLeftOutOfTheRead()
    {
        QFETCH(PlaceRow, row);
        AccessibleTextPeer peer;
        peer.rangeExtents = row.range;
        const int last = 3 + int(peer.text.size()) - 1;
        if (row.firstCharacter)
            peer.characterExtents.insert(3, *row.firstCharacter);
        if (row.lastCharacter)
            peer.characterExtents.insert(last, *row.lastCharacter);
        QVERIFY(peer.start());
        fakes::FakeWorkspace front;
        AtspiFocusedSelection focused{front};

        // Once the registry lists the peer, one read asks for the range's place once.
        QVERIFY(QTest::qWaitFor([&] { return QCoro::waitFor(focused.selectedRange()).has_value(); },
                                5000));
        peer.rangeCalls = 0;
        const std::optional<SelectedRange> range = QCoro::waitFor(focused.selectedRange());
        QVERIFY(range);
        QCOMPARE(range->text, peer.text);
        QCOMPARE(peer.rangeCalls, 1);
        QCOMPARE(range->screenBounds, row.expected);
    }

    // On Wayland, GTK and Qt answer with places inside their windows, the same for screen and
    // window coordinates: none is asked for.
    void aWaylandSessionGivesNoPlace()
    {
        AccessibleTextPeer peer;
        peer.rangeExtents = QRect(100, 120, 80, 18);
        QVERIFY(peer.start());
        fakes::FakeWorkspace front;
        const QByteArray session = qgetenv("XDG_SESSION_TYPE");
        qputenv("XDG_SESSION_TYPE", "wayland");
        AtspiFocusedSelection focused{front};
        qputenv("XDG_SESSION_TYPE", session);

        std::optional<SelectedRange> range;
        QVERIFY(QTest::qWaitFor(
            [&] { return (range = QCoro::waitFor(focused.selectedRange())).has_value(); }, 5000));
        QCOMPARE(range->text, peer.text);
        QCOMPARE(range->screenBounds, std::nullopt);
        QCOMPARE(peer.rangeCalls, 0);
    }

private:
    XTestKeyboard m_keyboard;
};

VELTO_REGISTER_TEST(SelectionBoundsTest);
#include "SelectionBoundsTest.moc"
