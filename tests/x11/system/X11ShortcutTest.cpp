#include "platform/x11/X11Connection.h"
#include "platform/x11/X11KeyMonitor.h"
#include "platform/x11/X11KeyTap.h"
#include "platform/x11/X11Keymap.h"
#include "platform/x11/X11Permissions.h"
#include "support/TestRegistry.h"
#include "system/HotkeyManager.h"
#include "x11/support/EditorWindow.h"
#include "x11/support/XTestKeyboard.h"

#include <QTest>
#include <memory>

using namespace velto;
using namespace velto::test;

namespace {

// One client's complete listener: what the app builds at launch.
struct Listener
{
    X11Connection connection;
    X11Keymap keymap{connection};
    X11Permissions permissions{connection};
    X11KeyTap tap{connection, keymap};
    X11KeyMonitor monitor{connection, keymap};
    HotkeyManager manager{permissions, tap, monitor};
    int calls = 0;

    Listener()
    {
        manager.onHotkey = [this] { ++calls; };
    }

    // Every event the server sent before now has been handled: a reply on this connection
    // comes after them.
    void sync()
    {
        free(xcb_get_input_focus_reply(connection.xcb(), xcb_get_input_focus(connection.xcb()),
                                       nullptr));
        connection.processPendingEvents();
    }
};

} // namespace

class X11ShortcutTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // These tests must run, not skip: without a display they fail.
        QVERIFY(qEnvironmentVariableIsSet("DISPLAY"));
        QVERIFY(m_keyboard.capsLockOn() == false);
    }

    void shortcutIsSwallowedWhileOtherChordsReachTheEditor()
    {
        EditorWindow editor("hello\n");
        QVERIFY(editor.start());
        Listener listener;
        QVERIFY(listener.permissions.inputMonitoringGranted());
        QVERIFY(listener.permissions.accessibilityTrusted(false));
        QVERIFY(listener.manager.start());
        QCOMPARE(listener.manager.mechanism(), HotkeyManager::Mechanism::tap);

        m_keyboard.chord({XTestKeyboard::controlL}, XTestKeyboard::home);
        m_keyboard.chord({XTestKeyboard::superL}, 'l');
        QTRY_COMPARE_WITH_TIMEOUT(listener.calls, 1, 5000);
        // Not the shortcut: it types into the editor.
        m_keyboard.chord({XTestKeyboard::shiftL}, 'l');
        const bool saved = editor.saveAndWaitFor(m_keyboard, "Lhello\n");
        QCOMPARE(editor.fileContents(), QByteArray("Lhello\n"));
        QVERIFY(saved);
        listener.sync();
        QCOMPARE(listener.calls, 1);
    }

    void capsLockOnStillMatches()
    {
        Listener listener;
        QVERIFY(listener.manager.start());
        m_keyboard.chord({}, XTestKeyboard::capsLock);
        QTRY_VERIFY_WITH_TIMEOUT(m_keyboard.capsLockOn(), 5000);
        m_keyboard.chord({XTestKeyboard::superL}, 'l');
        QTRY_COMPARE_WITH_TIMEOUT(listener.calls, 1, 5000);
        m_keyboard.chord({}, XTestKeyboard::capsLock);
        QTRY_VERIFY_WITH_TIMEOUT(!m_keyboard.capsLockOn(), 5000);
    }

    void configureMovesTheGrabToTheNewShortcut()
    {
        Listener listener;
        QVERIFY(listener.manager.start());
        listener.manager.configure(2, true); // D with Shift
        m_keyboard.chord({XTestKeyboard::superL, XTestKeyboard::shiftL}, 'd');
        QTRY_COMPARE_WITH_TIMEOUT(listener.calls, 1, 5000);
        // The old shortcut no longer matches.
        m_keyboard.chord({XTestKeyboard::superL}, 'l');
        m_keyboard.chord({XTestKeyboard::superL}, 'd');
        listener.sync();
        QCOMPARE(listener.calls, 1);
    }

    void aSecondGrabberCannotCreateTheTap()
    {
        Listener first;
        QVERIFY(first.manager.start());
        Listener second;
        QVERIFY(!second.manager.start());
        QCOMPARE(second.manager.lastError().value_or(QString()),
                 QString("Failed to create event tap"));
        QCOMPARE(second.manager.mechanism(), HotkeyManager::Mechanism::none);
        // The first one still works.
        m_keyboard.chord({XTestKeyboard::superL}, 'l');
        QTRY_COMPARE_WITH_TIMEOUT(first.calls, 1, 5000);
    }

    void monitorSeesPressesWithTheirModifiers()
    {
        Listener listener;
        QList<KeyPress> seen;
        QVERIFY(listener.monitor.install([&](const KeyPress& press) { seen.append(press); }));
        m_keyboard.chord({XTestKeyboard::superL, XTestKeyboard::shiftL}, 'l');
        m_keyboard.chord({}, 'd');
        QTRY_COMPARE_WITH_TIMEOUT(seen.size(), 2, 5000);
        QCOMPARE(seen[0].keyCode, 37);
        QCOMPARE(seen[0].flags, KeyModifier::command | KeyModifier::shift);
        QCOMPARE(seen[1].keyCode, 2);
        QCOMPARE(seen[1].flags, std::uint64_t(0));
        listener.monitor.remove();
    }

    void keyboardMappingChangeIsFollowed()
    {
        Listener listener;
        QVERIFY(listener.manager.start());
        const auto original = listener.keymap.keycodeForKeysym('l');
        QVERIFY(original);
        // Move the letter L to a spare key code, as a keyboard layout switch would.
        const xcb_keycode_t spare = 250;
        xcb_connection_t* c = listener.connection.xcb();
        const xcb_keysym_t l[] = {'l', 'L'};
        const xcb_keysym_t none[] = {0, 0};
        xcb_change_keyboard_mapping(c, 1, spare, 2, l);
        xcb_change_keyboard_mapping(c, 1, *original, 2, none);
        listener.connection.flush();
        QTRY_COMPARE_WITH_TIMEOUT(listener.keymap.keycodeForKeysym('l'),
                                  std::optional<std::uint8_t>(spare), 5000);

        XTestKeyboard keyboard; // sees the new mapping from the start
        keyboard.chord({XTestKeyboard::superL}, 'l');
        QTRY_COMPARE_WITH_TIMEOUT(listener.calls, 1, 5000);

        xcb_change_keyboard_mapping(c, 1, *original, 2, l);
        xcb_change_keyboard_mapping(c, 1, spare, 2, none);
        listener.connection.flush();
        QTRY_COMPARE_WITH_TIMEOUT(listener.keymap.keycodeForKeysym('l'), original, 5000);
    }

private:
    XTestKeyboard m_keyboard;
};

VELTO_REGISTER_TEST(X11ShortcutTest);
#include "X11ShortcutTest.moc"
