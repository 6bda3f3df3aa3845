#include "support/TestRegistry.h"
#include "wayland/support/PortalKeyboard.h"
#include "wayland/support/WaylandRig.h"
#include "x11/support/CpuLoad.h"
#include "x11/support/EditorWindow.h"
#include "x11/support/RewriteCycle.h"

#include <QTest>
#include <csignal>
#include <memory>
#include <qcoro/qcorotask.h>

using namespace velto;
using namespace velto::test;

// The whole rewrite under a headless KWin, many times in a row, with the user's clipboard owned
// by another client and checked byte for byte after every run.
class WaylandRewriteCycleTest : public QObject
{
    Q_OBJECT

private slots:
    void fullCycleRepeatedly() { runCycle(0); }

    // An editor busy for 300 ms before it handles each copy and paste key, beside CPU load:
    // every run reads the selection and pastes the rewrite, never the user's clipboard.
    void busyApplicationUnderLoad()
    {
        CpuLoad load;
        QVERIFY(load.isRunning());
        runCycle(300);
    }

private:
    void runCycle(int busyKeysMs)
    {
        QVERIFY2(qEnvironmentVariableIsSet("WAYLAND_DISPLAY"), "runs under with-env wayland");
        std::signal(SIGPIPE, SIG_IGN);
        // The user's clipboard, owned by another client, with text, binary and a large type.
        WaylandConnection userConnection;
        WaylandClipboard userClipboard(userConnection);
        WaylandConnection checkerConnection;
        WaylandClipboard checker(checkerConnection);
        QTRY_VERIFY_WITH_TIMEOUT(userClipboard.isAvailable() && checker.isAvailable(), 5000);
        const ClipboardItem userItem{{"text/plain;charset=utf-8", "keep\nme\n"},
                                     {"text/plain", "keep\r\nme\r\n"},
                                     {"image/png", QByteArray("\x89PNG\0\0\1", 7)},
                                     {"application/x-large", QByteArray(300 * 1024, '\0')}};
        userClipboard.writeItems({userItem});

        WaylandRig velto;
        PortalKeyboard keyboard;
        QVERIFY(keyboard.start());
        EditorWindow editor(QStringLiteral("first words"));
        editor.busyKeysMs = busyKeysMs;
        QVERIFY2(editor.startSelectingAll(), qPrintable(editor.output()));
        QVERIFY(velto.startPortals());

        RewriteCycle cycle{keyboard,
                           velto.hotkeys,
                           velto.service,
                           velto.workspace,
                           [&](const QString& text) { return editor.waitForText(text); },
                           [&] {
                               // The user's client hears of the restore a moment later.
                               const bool same = QTest::qWaitFor(
                                   [&] {
                                       return QCoro::waitFor(checker.readItems()) ==
                                              std::optional<ClipboardSnapshot>({userItem});
                                   },
                                   5000);
                               return same ? QString() : QStringLiteral("not the user's items");
                           }};
        cycle.run(QStringLiteral("first words"));
    }
};

VELTO_REGISTER_TEST(WaylandRewriteCycleTest);
#include "WaylandRewriteCycleTest.moc"
