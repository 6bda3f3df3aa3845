#include "x11/support/RewriteCycle.h"
#include "support/TestRegistry.h"
#include "x11/support/EditorWindow.h"
#include "x11/support/X11OtherClient.h"
#include "x11/support/X11Rig.h"
#include "x11/support/XTestKeyboard.h"

#include <QTest>

using namespace velto;
using namespace velto::test;

// The whole rewrite on Xvfb, many times in a row, with the user's clipboard owned by another
// client and checked byte for byte after every run.
class RewriteCycleTest : public QObject
{
    Q_OBJECT

private slots:
    void fullCycleRepeatedly()
    {
        QVERIFY(qEnvironmentVariableIsSet("DISPLAY"));
        X11OtherClient user(300 * 1024);
        QVERIFY(user.ownUserClipboard());
        X11Rig velto;
        XTestKeyboard keyboard;
        EditorWindow editor("first words\n");
        QVERIFY(editor.start());

        auto saved = [&](const QString& text) { return editor.saveAndWaitFor(keyboard, text); };
        auto difference = [&] { return user.clipboardDifference(); };
        RewriteCycle{keyboard, velto.hotkeys, velto.service, velto.workspace, saved, difference}
            .run(QStringLiteral("first words"));
        if (QTest::currentTestFailed())
            return;
        // l3afpad exposes its selection through AT-SPI: no run needed a copy.
        QCOMPARE(velto.keys.copies, 0);
    }
};

VELTO_REGISTER_TEST(RewriteCycleTest);
#include "RewriteCycleTest.moc"
