#include "fakes/platform/FakeFocusedSelection.h"
#include "support/TestRegistry.h"
#include "x11/support/CpuLoad.h"
#include "x11/support/EditorWindow.h"
#include "x11/support/RewriteCycle.h"
#include "x11/support/X11OtherClient.h"
#include "x11/support/X11Rig.h"
#include "x11/support/XTestKeyboard.h"

#include <QTest>

using namespace velto;
using namespace velto::test;

// The whole rewrite by copy and paste, many times in a row, into an editor that is busy for
// 300 ms before it handles each copy and paste key, beside CPU load: every run reads the
// selection and pastes the rewrite, never the user's clipboard.
class BusyApplicationCycleTest : public QObject
{
    Q_OBJECT

private slots:
    void busyApplicationUnderLoad()
    {
        QVERIFY(qEnvironmentVariableIsSet("DISPLAY"));
        CpuLoad load;
        QVERIFY(load.isRunning());
        X11OtherClient user(64 * 1024);
        QVERIFY(user.ownUserClipboard());
        X11Rig velto;
        // The Qt editor is read by copy: its accessibility is not asked.
        fakes::FakeFocusedSelection noSelection;
        SelectionService byCopy{noSelection, velto.clipboard, velto.keys, velto.workspace,
                                velto.sleeper};
        XTestKeyboard keyboard;
        EditorWindow editor("first words", EditorWindow::Toolkit::qt);
        editor.busyKeysMs = 300;
        QVERIFY(editor.start());

        auto saved = [&](const QString& text) { return editor.saveAndWaitFor(keyboard, text); };
        auto difference = [&] { return user.clipboardDifference(); };
        RewriteCycle{keyboard, velto.hotkeys, byCopy, velto.workspace, saved, difference}.run(
            QStringLiteral("first words"));
    }
};

VELTO_REGISTER_TEST(BusyApplicationCycleTest);
#include "BusyApplicationCycleTest.moc"
