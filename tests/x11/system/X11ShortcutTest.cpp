#include "support/TestRegistry.h"
#include "x11/support/EditorWindow.h"
#include "x11/support/X11Rig.h"
#include "x11/support/XTestKeyboard.h"

#include <QTest>
#include <atomic>
#include <memory>
#include <thread>

using namespace velto;
using namespace velto::test;

// The shortcut through the key grab and the key monitor on the X server.
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
        X11Rig listener;
        QVERIFY(listener.permissions.inputMonitoringGranted());
        QVERIFY(listener.permissions.accessibilityTrusted(false));
        QVERIFY(listener.hotkeys.start());
        QCOMPARE(listener.hotkeys.mechanism(), HotkeyManager::Mechanism::tap);

        m_keyboard.chord({XTestKeyboard::controlL}, XTestKeyboard::home);
        m_keyboard.chord({XTestKeyboard::superL}, 'l');
        QTRY_COMPARE_WITH_TIMEOUT(listener.presses, 1, 5000);
        // Not the shortcut: it types into the editor.
        m_keyboard.chord({XTestKeyboard::shiftL}, 'l');
        const bool saved = editor.saveAndWaitFor(m_keyboard, "Lhello\n");
        QCOMPARE(editor.text(), QString("Lhello\n"));
        QVERIFY(saved);
        listener.sync();
        QCOMPARE(listener.presses, 1);
    }

    void capsLockOnStillMatches()
    {
        X11Rig listener;
        QVERIFY(listener.hotkeys.start());
        m_keyboard.chord({}, XTestKeyboard::capsLock);
        QTRY_VERIFY_WITH_TIMEOUT(m_keyboard.capsLockOn(), 5000);
        m_keyboard.chord({XTestKeyboard::superL}, 'l');
        QTRY_COMPARE_WITH_TIMEOUT(listener.presses, 1, 5000);
        m_keyboard.chord({}, XTestKeyboard::capsLock);
        QTRY_VERIFY_WITH_TIMEOUT(!m_keyboard.capsLockOn(), 5000);
    }

    void configureMovesTheGrabToTheNewShortcut()
    {
        X11Rig listener;
        QVERIFY(listener.hotkeys.start());
        listener.hotkeys.configure(2, true); // D with Shift
        m_keyboard.chord({XTestKeyboard::superL, XTestKeyboard::shiftL}, 'd');
        QTRY_COMPARE_WITH_TIMEOUT(listener.presses, 1, 5000);
        // The old shortcut no longer matches.
        m_keyboard.chord({XTestKeyboard::superL}, 'l');
        m_keyboard.chord({XTestKeyboard::superL}, 'd');
        listener.sync();
        QCOMPARE(listener.presses, 1);
    }

    void aSecondGrabberCannotCreateTheTap()
    {
        X11Rig first;
        QVERIFY(first.hotkeys.start());
        X11Rig second;
        QVERIFY(!second.hotkeys.start());
        QCOMPARE(second.hotkeys.lastError().value_or(QString()),
                 QString("Failed to create event tap"));
        QCOMPARE(second.hotkeys.mechanism(), HotkeyManager::Mechanism::none);
        // The first one still works.
        m_keyboard.chord({XTestKeyboard::superL}, 'l');
        QTRY_COMPARE_WITH_TIMEOUT(first.presses, 1, 5000);
    }

    void monitorSeesPressesWithTheirModifiers()
    {
        X11Rig listener;
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
        X11Rig listener;
        QVERIFY(listener.hotkeys.start());
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
        QTRY_COMPARE_WITH_TIMEOUT(listener.presses, 1, 5000);

        xcb_change_keyboard_mapping(c, 1, *original, 2, l);
        xcb_change_keyboard_mapping(c, 1, spare, 2, none);
        listener.connection.flush();
        QTRY_COMPARE_WITH_TIMEOUT(listener.keymap.keycodeForKeysym('l'), original, 5000);
    }

    void unrelatedKeymapChangesNeverLetGoOfTheShortcut()
    {
        // A press that falls while the grab is away reaches the focused application as a plain
        // letter. Another client tries to take Super+L all along, as such a press would find it.
        X11Rig listener;
        QVERIFY(listener.hotkeys.start());
        const auto key = listener.keymap.keycodeForKeysym('l');
        QVERIFY(key);
        const std::uint16_t super = listener.keymap.superMask();
        const std::uint32_t root = listener.connection.root();
        std::atomic<bool> done{false};
        std::atomic<int> taken{0};
        std::thread other([&] {
            xcb_connection_t* c = xcb_connect(nullptr, nullptr);
            while (!done && !xcb_connection_has_error(c)) {
                const xcb_void_cookie_t grab = xcb_grab_key_checked(
                    c, 0, root, super, *key, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
                if (xcb_generic_error_t* error = xcb_request_check(c, grab)) {
                    free(error);
                } else {
                    ++taken;
                    xcb_ungrab_key(c, *key, root, super);
                    xcb_flush(c);
                }
            }
            xcb_disconnect(c);
        });

        // Each change of a key nobody uses sends every client a MappingNotify.
        const xcb_keycode_t spare = 251;
        const xcb_keysym_t first[] = {0xffc6, 0};  // F9
        const xcb_keysym_t second[] = {0xffc7, 0}; // F10
        xcb_connection_t* c = listener.connection.xcb();
        for (int i = 0; i < 200 && taken == 0; ++i) {
            xcb_change_keyboard_mapping(c, 1, spare, 2, i % 2 ? first : second);
            listener.sync();
        }
        done = true;
        other.join();
        const xcb_keysym_t none[] = {0, 0};
        xcb_change_keyboard_mapping(c, 1, spare, 2, none);
        listener.sync();

        QCOMPARE(taken.load(), 0);
        // Still ours.
        XTestKeyboard keyboard;
        keyboard.chord({XTestKeyboard::superL}, 'l');
        QTRY_COMPARE_WITH_TIMEOUT(listener.presses, 1, 5000);
    }

private:
    XTestKeyboard m_keyboard;
};

VELTO_REGISTER_TEST(X11ShortcutTest);
#include "X11ShortcutTest.moc"
