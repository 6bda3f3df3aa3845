#include "platform/linux/AtspiFocusedSelection.h"
#include "support/TestRegistry.h"
#include "wayland/support/PortalKeyboard.h"
#include "wayland/support/WaylandRig.h"
#include "x11/support/EditorWindow.h"

#include <QTest>
#include <qcoro/qcorotask.h>

using namespace velto;
using namespace velto::test;

namespace {

const QString document = QStringLiteral("first line stays\nsecond: replace these words, rest kept\n"
                                        "last line, d\u00e9j\u00e0 vu, stays\n");
const QString selected = QStringLiteral("replace these words");
const QString rewrite = QStringLiteral("a na\u00efve r\u00e9sum\u00e9 \u2014 rewritten");
// Where the selection starts: after the first line and "second: ".
constexpr int selectedFrom = 17 + 8;

// Velto's Wayland side reading and writing through the accessibility bus. Its keys never start,
// so nothing could be pasted or typed: a rewrite that lands came in place. Another client owns
// the user's clipboard.
struct InPlaceRig
{
    WaylandRig velto;
    AtspiFocusedSelection focused{velto.workspace};
    SelectionService service{focused, velto.clipboard, velto.keys, velto.workspace, velto.sleeper};
    WaylandConnection otherConnection;
    WaylandClipboard other{otherConnection};
    const ClipboardSnapshot usersClipboard{
        ClipboardItem{{QStringLiteral("text/plain;charset=utf-8"), QByteArray("the user's")}}};

    bool ready()
    {
        focused.warmUp(); // as at launch: focus events are followed from here on
        if (!QTest::qWaitFor([&] { return other.isAvailable() && velto.clipboard.isAvailable(); },
                             5000))
            return false;
        other.writeItems(usersClipboard);
        return QTest::qWaitFor(
            [&] { return QCoro::waitFor(velto.clipboard.readItems()) == usersClipboard; }, 5000);
    }

    // Replaces the selection read as `range` and checks that the clipboard stayed the user's.
    void replaceInPlace(const std::optional<SelectedRange>& range)
    {
        const qint64 changesBefore = velto.clipboard.changeCount();
        QCOMPARE(QCoro::waitFor(service.replaceSelection(rewrite, range, std::nullopt)),
                 SelectionService::PasteOutcome::replacedInPlace);
        QCOMPARE(velto.clipboard.changeCount(), changesBefore);
        QCOMPARE(QCoro::waitFor(velto.clipboard.readItems()),
                 std::optional<ClipboardSnapshot>(usersClipboard));
        QVERIFY(!velto.keys.isAvailable());
    }
};

} // namespace

// Under a headless KWin, where Velto is told nothing of other windows: the selection read and
// replaced through the accessibility bus in the Qt test editor with accessibility on and in
// l3afpad (GTK 3), the rest of the document byte for byte as it was.
class WaylandInPlaceTest : public QObject
{
    Q_OBJECT

private slots:
    void qtEditorSelectionIsReplacedInPlace()
    {
        InPlaceRig rig;
        QVERIFY(rig.ready());
        EditorWindow editor(document, EditorWindow::Toolkit::qtAccessible);
        QVERIFY2(editor.startSelecting(selectedFrom, selectedFrom + int(selected.size())),
                 qPrintable(editor.output()));
        std::optional<SelectedRange> range;
        QTRY_COMPARE_WITH_TIMEOUT(QCoro::waitFor(rig.service.selectedTextViaAX(&range)),
                                  std::optional(selected), 15000);

        rig.replaceInPlace(range);
        const QString expected = QString(document).replace(selected, rewrite);
        QVERIFY2(editor.waitForText(expected), qPrintable(editor.text()));
        QCOMPARE(editor.fileContents(), expected.toUtf8());
    }

    void gtkEditorSelectionIsReplacedInPlace()
    {
        InPlaceRig rig;
        QVERIFY(rig.ready());
        PortalKeyboard keyboard;
        QVERIFY(keyboard.start());
        EditorWindow editor(document, EditorWindow::Toolkit::gtk);
        QVERIFY(editor.startUnwatched());
        // Keys typed before its window has the keyboard go nowhere: select until it reads back.
        std::optional<SelectedRange> range;
        const bool read = QTest::qWaitFor(
            [&] {
                keyboard.selectFromStart(1, 8, int(selected.size()));
                return QCoro::waitFor(rig.service.selectedTextViaAX(&range)) == selected;
            },
            30000);
        QVERIFY2(read, qPrintable(editor.output()));

        rig.replaceInPlace(range);
        const QString expected = QString(document).replace(selected, rewrite);
        QVERIFY2(editor.saveAndWaitFor(keyboard, expected), qPrintable(editor.text()));
        QCOMPARE(editor.fileContents(), expected.toUtf8());
    }
};

VELTO_REGISTER_TEST(WaylandInPlaceTest);
#include "WaylandInPlaceTest.moc"
