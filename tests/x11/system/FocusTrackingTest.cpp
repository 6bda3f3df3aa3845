#include "fakes/platform/FakeWorkspace.h"
#include "platform/linux/AtspiReplies.h"
#include "support/TestRegistry.h"
#include "x11/support/EditorWindow.h"
#include "x11/support/X11Rig.h"
#include "x11/support/XTestKeyboard.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QTest>
#include <memory>
#include <qcoro/qcorotask.h>
#include <signal.h>

using namespace velto;
using namespace velto::test;
using Toolkit = velto::test::EditorWindow::Toolkit;

namespace {

const QString busService = QStringLiteral("org.a11y.Bus");

// The session's accessibility bus address; empty when there is none. Asking starts its launcher
// when none runs, as any accessible application's start does.
QString accessibilityBusAddress()
{
    const QDBusMessage reply = QDBusConnection::sessionBus().call(QDBusMessage::createMethodCall(
        busService, QStringLiteral("/org/a11y/bus"), busService, QStringLiteral("GetAddress")));
    return atspi::isReply(reply, QLatin1String("s")) ? reply.arguments().constFirst().toString()
                                                     : QString();
}

// Whether the registry lists an application of that process: it has said where it is, so its
// focused object answers from now on.
bool isOnAccessibilityBus(qint64 pid)
{
    struct Reference
    {
        QString busName;
        QDBusObjectPath path;
    };
    const QString name = QStringLiteral("velto-test-registry-probe");
    bool found = false;
    {
        QDBusConnection bus = QDBusConnection::connectToBus(accessibilityBusAddress(), name);
        const QDBusMessage listed = bus.call(QDBusMessage::createMethodCall(
            atspi::registryService, atspi::rootPath, atspi::accessibleInterface,
            QStringLiteral("GetChildren")));
        for (const Reference& application : atspi::referencesIn<Reference>(listed)) {
            const QDBusReply<uint> process = bus.interface()->servicePid(application.busName);
            found = found || (process.isValid() && process.value() == pid);
        }
    }
    QDBusConnection::disconnectFromBus(name);
    return found;
}

// Ends the session's accessibility bus as a crash of its launcher does, and has it started again.
bool restartAccessibilityBus()
{
    const QString before = accessibilityBusAddress();
    QDBusConnectionInterface* session = QDBusConnection::sessionBus().interface();
    const QDBusReply<uint> launcher = session->servicePid(busService);
    if (before.isEmpty() || !launcher.isValid() || ::kill(pid_t(launcher.value()), SIGTERM) != 0)
        return false;
    // The launcher takes its bus daemon with it; a new one has a new address (its guid).
    return QTest::qWaitFor([&] { return !session->isServiceRegistered(busService).value(); },
                           10000) &&
           QTest::qWaitFor(
               [&] {
                   const QString after = accessibilityBusAddress();
                   return !after.isEmpty() && after != before;
               },
               10000);
}

} // namespace

// Where the keyboard focus is, for Qt applications (no Collection interface: only their focus
// events or their own state say it), when that is not learnt from an event after Velto listens.
class FocusTrackingTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(qEnvironmentVariableIsSet("DISPLAY")); }

    void anEditorFocusedBeforeVeltoStartedIsReadInPlace_data()
    {
        QTest::addColumn<bool>("frontKnown");
        QTest::newRow("application in front known") << true;
        QTest::newRow("application in front unknown") << false;
    }

    // As after an autostart at login: the user is already in the editor, with text selected, and
    // no focus event comes.
    void anEditorFocusedBeforeVeltoStartedIsReadInPlace()
    {
        QFETCH(bool, frontKnown);
        EditorWindow editor("keep this, read this part\n", Toolkit::qtAccessible);
        QVERIFY(editor.start());
        m_keyboard.selectFromStart(0, 11, 14);
        QTRY_VERIFY_WITH_TIMEOUT(isOnAccessibilityBus(editor.pid()), 10000);

        X11Rig velto;
        {
            // Gone while it registers and asks: what resumes later must not touch it.
            AtspiFocusedSelection gone{velto.workspace};
            gone.warmUp();
        }
        fakes::FakeWorkspace unknown;
        AtspiFocusedSelection focused{frontKnown ? static_cast<Workspace&>(velto.workspace)
                                                 : unknown};
        focused.warmUp();
        SelectionService service{focused, velto.clipboard, velto.keys, velto.workspace,
                                 velto.sleeper};
        QTRY_COMPARE_WITH_TIMEOUT(QCoro::waitFor(focused.selectedText()),
                                  std::optional<QString>("read this part"), 10000);
        QCOMPARE(QCoro::waitFor(service.selectedTextFromFocusedApp()),
                 std::optional<QString>("read this part"));
        QCOMPARE(velto.keys.copies, 0);
    }

    // The accessibility bus went away and came back while Velto ran: focus events are followed
    // on the new bus, from one editor to the next.
    void focusIsFollowedAgainAfterTheAccessibilityBusRestarts()
    {
        X11Rig velto;
        auto gone = std::make_unique<AtspiFocusedSelection>(velto.workspace);
        gone->warmUp();
        {
            EditorWindow before("before the restart\n", Toolkit::qtAccessible);
            QVERIFY(before.start());
            m_keyboard.selectFromStart(0, 0, 6);
            QTRY_COMPARE_WITH_TIMEOUT(QCoro::waitFor(velto.focused.selectedText()),
                                      std::optional<QString>("before"), 10000);
        }
        QVERIFY(restartAccessibilityBus());
        // Gone while it waits to listen again: what resumes later must not touch it.
        gone.reset();

        EditorWindow first("first editor\n", Toolkit::qtAccessible);
        QVERIFY(first.start());
        m_keyboard.selectFromStart(0, 0, 5);
        QTRY_COMPARE_WITH_TIMEOUT(QCoro::waitFor(velto.focused.selectedText()),
                                  std::optional<QString>("first"), 10000);
        EditorWindow second("second editor\n", Toolkit::qtAccessible);
        QVERIFY(second.start());
        m_keyboard.selectFromStart(0, 0, 6);
        QTRY_COMPARE_WITH_TIMEOUT(QCoro::waitFor(velto.focused.selectedText()),
                                  std::optional<QString>("second"), 10000);
        QCOMPARE(QCoro::waitFor(velto.service.selectedTextFromFocusedApp()),
                 std::optional<QString>("second"));
        QCOMPARE(velto.keys.copies, 0);
    }

private:
    XTestKeyboard m_keyboard;
};

VELTO_REGISTER_TEST(FocusTrackingTest);
#include "FocusTrackingTest.moc"
