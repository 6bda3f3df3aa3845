#include "fakes/platform/FakeFocusedSelection.h"
#include "platform/TimerSleeper.h"
#include "platform/linux/DesktopLauncher.h"
#include "platform/x11/X11Clipboard.h"
#include "platform/x11/X11Connection.h"
#include "platform/x11/X11Keymap.h"
#include "platform/x11/X11PrimarySelection.h"
#include "platform/x11/X11SelectionOwner.h"
#include "platform/x11/X11SelectionReader.h"
#include "platform/x11/X11SyntheticKeys.h"
#include "platform/x11/X11Windows.h"
#include "platform/x11/X11Workspace.h"
#include "support/TestRegistry.h"
#include "system/SelectionService.h"
#include "x11/support/EditorWindow.h"
#include "x11/support/XTestKeyboard.h"

#include <QRandomGenerator>
#include <QTest>
#include <qcoro/qcorotask.h>

using namespace velto;
using namespace velto::test;
using velto::fakes::FakeFocusedSelection;

namespace {

// Another client: the application whose data is on the user's clipboard, and a reader that
// checks what the clipboard serves afterwards.
struct OtherClient
{
    X11Connection connection;
    X11SelectionOwner clipboard{connection, connection.atom("CLIPBOARD")};
    X11SelectionOwner primary{connection, XCB_ATOM_PRIMARY};
    X11SelectionReader reader{connection};

    X11SelectionOwner::Contents userClipboard()
    {
        X11SelectionOwner::Contents contents;
        auto add = [&](const char* target, const char* type, std::uint8_t format,
                       const QByteArray& bytes) {
            contents.insert(connection.atom(target), {connection.atom(type), format, bytes});
        };
        add("text/plain", "text/plain", 8, "line one\r\nline two\r\n");
        add("UTF8_STRING", "UTF8_STRING", 8, "line one\nline two\n");
        add("image/png", "image/png", 8, QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0", 17));
        add("application/x-numbers", "INTEGER", 32, QByteArray("\1\0\0\0\2\0\0\0\0\0\0\0", 12));
        QByteArray big(1536 * 1024, Qt::Uninitialized);
        QRandomGenerator generator(42);
        for (char& byte : big)
            byte = char(generator.bounded(256));
        add("application/x-big", "application/x-big", 8, big);
        return contents;
    }

    // The clipboard serves exactly these targets with these types, formats and bytes.
    void verifyClipboardServes(const X11SelectionOwner::Contents& expected)
    {
        const std::uint32_t selection = connection.atom("CLIPBOARD");
        const QList<std::uint32_t> targets = QCoro::waitFor(reader.targets(selection));
        for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
            QVERIFY2(targets.contains(it.key()), connection.atomName(it.key()).constData());
            const auto answer = QCoro::waitFor(reader.convert(selection, it.key()));
            QVERIFY2(answer, connection.atomName(it.key()).constData());
            QCOMPARE(connection.atomName(answer->type), connection.atomName(it->type));
            QCOMPARE(answer->format, it->format);
            QVERIFY2(answer->data == it->bytes, connection.atomName(it.key()).constData());
        }
    }

    bool clipboardHasOwner()
    {
        xcb_connection_t* c = connection.xcb();
        auto* reply = xcb_get_selection_owner_reply(
            c, xcb_get_selection_owner(c, connection.atom("CLIPBOARD")), nullptr);
        const bool owned = reply && reply->owner != XCB_WINDOW_NONE;
        free(reply);
        return owned;
    }
};

// Velto's side, built from the real adapters.
struct Velto
{
    X11Connection connection;
    X11Keymap keymap{connection};
    X11Windows windows{connection};
    X11Clipboard clipboard{connection};
    X11PrimarySelection primary{connection, windows};
    X11SyntheticKeys keys{connection, keymap, windows};
    DesktopLauncher launcher;
    X11Workspace workspace{connection, windows, launcher};
    TimerSleeper sleeper;
    SelectionService service{primary, clipboard, keys, workspace, sleeper};
};

} // namespace

class X11SelectionTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(qEnvironmentVariableIsSet("DISPLAY")); }

    void primaryIsReadOnlyFromTheActiveWindowsClient()
    {
        Velto velto;
        OtherClient other;
        EditorWindow editor("alpha beta\n");
        QVERIFY(editor.start());
        m_keyboard.chord({XTestKeyboard::controlL}, 'a');
        QTRY_COMPARE_WITH_TIMEOUT(QCoro::waitFor(velto.service.selectedTextViaAX()),
                                  std::optional<QString>("alpha beta"), 5000);

        // A selection made in another client is not the editor's.
        QVERIFY(other.primary.own({{XCB_ATOM_STRING, {XCB_ATOM_STRING, 8, "stale"}}}));
        QCOMPARE(QCoro::waitFor(velto.primary.selectedText()), std::nullopt);
    }

    void copyRouteReadsTheSelectionAndTheClipboardComesBackByteForByte()
    {
        Velto velto;
        OtherClient other;
        FakeFocusedSelection noDirectSelection;
        SelectionService service{noDirectSelection, velto.clipboard, velto.keys, velto.workspace,
                                 velto.sleeper};
        const auto userClipboard = other.userClipboard();
        QVERIFY(other.clipboard.own(userClipboard));

        EditorWindow editor("  copy me please \n");
        QVERIFY(editor.start());
        m_keyboard.chord({XTestKeyboard::controlL}, 'a');
        const auto text = QCoro::waitFor(service.selectedTextFromFocusedApp());
        QCOMPARE(text, std::optional<QString>("copy me please"));
        other.verifyClipboardServes(userClipboard);
        // And the rewritten text is not what a clipboard manager would now find.
        QVERIFY(velto.clipboard.changeCount() >= 2);
    }

    void copyThatChangesNothingReadsNothing()
    {
        Velto velto;
        OtherClient other;
        FakeFocusedSelection noDirectSelection;
        SelectionService service{noDirectSelection, velto.clipboard, velto.keys, velto.workspace,
                                 velto.sleeper};
        QVERIFY(other.clipboard.own({{other.connection.atom("UTF8_STRING"),
                                      {other.connection.atom("UTF8_STRING"), 8, "older text"}}}));
        EditorWindow editor("");
        QVERIFY(editor.start());
        QCOMPARE(QCoro::waitFor(service.selectedTextFromFocusedApp()), std::nullopt);
    }

    void pasteLandsInTheEditorEvenWhileSuperIsHeld()
    {
        Velto velto;
        OtherClient other;
        const auto userClipboard = other.userClipboard();
        QVERIFY(other.clipboard.own(userClipboard));
        EditorWindow editor("old text\n");
        QVERIFY(editor.start());
        m_keyboard.chord({XTestKeyboard::controlL}, 'a');

        const auto source = velto.workspace.frontmostApplication();
        QVERIFY(source);
        QCOMPARE(source->processIdentifier, editor.pid());
        m_keyboard.press(XTestKeyboard::superL);
        const auto outcome = QCoro::waitFor(velto.service.pasteText("new text", source));
        m_keyboard.release(XTestKeyboard::superL);
        QCOMPARE(outcome, SelectionService::PasteOutcome::pasted);
        const bool saved = editor.saveAndWaitFor(m_keyboard, "new text");
        QCOMPARE(editor.fileContents(), QByteArray("new text"));
        QVERIFY(saved);
        other.verifyClipboardServes(userClipboard);
    }

    void anEmptyClipboardIsEmptyAgainAfterAPaste()
    {
        Velto velto;
        OtherClient other;
        other.clipboard.clear();
        EditorWindow editor("x\n");
        QVERIFY(editor.start());
        QCOMPARE(QCoro::waitFor(velto.clipboard.readItems()), std::nullopt);
        const auto source = velto.workspace.frontmostApplication();
        PasteboardSnapshot restored;
        QCOMPARE(QCoro::waitFor(velto.service.pasteText("y", source, &restored)),
                 SelectionService::PasteOutcome::pasted);
        // l3afpad may take the clipboard with the pasted text after the restore.
        QCoro::waitFor(velto.service.guardRestoredClipboard(restored, "y"));
        QVERIFY(!other.clipboardHasOwner());
    }

    void workspaceFollowsTheActiveWindowAndItsProcess()
    {
        Velto velto;
        EditorWindow first("first\n");
        QVERIFY(first.start());
        const auto firstApp = velto.workspace.frontmostApplication();
        QVERIFY(firstApp);
        QCOMPARE(firstApp->processIdentifier, first.pid());
        QCOMPARE(firstApp->handle, quint64(first.window()));

        EditorWindow second("second\n");
        QVERIFY(second.start());
        QCOMPARE(velto.workspace.frontmostApplication()->processIdentifier, second.pid());
        velto.workspace.activate(*firstApp);
        QTRY_COMPARE_WITH_TIMEOUT(velto.workspace.frontmostApplication()->processIdentifier,
                                  first.pid(), 5000);
        QVERIFY(!velto.workspace.isTerminated(*firstApp));
    }

    void workspaceSeesAClosedApplicationAsTerminated()
    {
        Velto velto;
        std::optional<RunningApplication> app;
        {
            EditorWindow editor("bye\n");
            QVERIFY(editor.start());
            app = velto.workspace.frontmostApplication();
        }
        QVERIFY(app);
        QTRY_VERIFY_WITH_TIMEOUT(velto.workspace.isTerminated(*app), 5000);
    }

private:
    XTestKeyboard m_keyboard;
};

VELTO_REGISTER_TEST(X11SelectionTest);
#include "X11SelectionTest.moc"
