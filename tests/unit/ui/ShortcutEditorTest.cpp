#include "ui/ShortcutEditor.h"
#include "ModelStates.h"
#include "support/TestRegistry.h"
#include "ui/PopupPlacement.h"

#include <QTest>

using namespace velto;

class ShortcutEditorTest : public QObject
{
    Q_OBJECT

    struct Rig
    {
        test::ModelStates m;
        int calls = 0;
        ShortcutEditor editor{m.model, [this] { ++calls; }};
    };

private slots:
    void startsFromTheModel()
    {
        Rig r;
        QCOMPARE(r.editor.input(), "Super+L");
        QVERIFY(!r.editor.invalid());
        QCOMPARE(r.editor.placeholder(), "Super+L or Super+Shift+L");
        QCOMPARE(r.editor.hint(), "Use format like Super+L or Super+Shift+L.");
    }

    void typing_data()
    {
        QTest::addColumn<QStringList>("keystrokes");
        QTest::addColumn<QString>("key");
        QTest::addColumn<bool>("shift");
        QTest::addColumn<QString>("input");
        QTest::addColumn<bool>("invalid");
        QTest::addColumn<int>("calls");
        QTest::newRow("bare letter sets the hint")
            << QStringList{"K"} << "l" << false << "K" << true << 0;
        QTest::newRow("then Super+K applies at once")
            << QStringList{"K", "Super+K"} << "k" << false << "Super+K" << false << 1;
        QTest::newRow("old habits: ⌘K")
            << QStringList{"⌘K"} << "k" << false << "Super+K" << false << 1;
        QTest::newRow("Meta+Shift+W changes both: two calls")
            << QStringList{"Meta+Shift+W"} << "w" << true << "Super+Shift+W" << false << 2;
        QTest::newRow("the same shortcut changes nothing")
            << QStringList{"Win+L"} << "l" << false << "Win+L" << false << 0;
        QTest::newRow("clearing keeps shortcut and hint")
            << QStringList{"x", ""} << "l" << false << "" << true << 0;
        QTest::newRow("clearing after a valid one keeps it valid")
            << QStringList{"Super+R", ""} << "r" << false << "" << false << 1;
    }

    void typing()
    {
        QFETCH(QStringList, keystrokes);
        Rig r;
        for (const QString& text : keystrokes)
            r.editor.edit(text);
        QTEST(r.m.model.shortcutKeyID(), "key");
        QTEST(r.m.model.shortcutRequiresShift(), "shift");
        QTEST(r.editor.input(), "input");
        QTEST(r.editor.invalid(), "invalid");
        QTEST(r.calls, "calls");
    }

    void shiftBadgeFlipsOnce()
    {
        Rig r;
        r.m.model.setShortcutKeyID("k");
        QCOMPARE(r.calls, 1);
        r.editor.toggleShift();
        QVERIFY(r.m.model.shortcutRequiresShift());
        QCOMPARE(r.editor.input(), "Super+Shift+K");
        QCOMPARE(r.calls, 2);
        QVERIFY(r.editor.shiftActive());
    }

    void choosingTheSameKeyDoesNothing()
    {
        Rig r;
        r.editor.chooseKey(r.editor.keyIndex());
        QCOMPARE(r.calls, 0);
        r.editor.chooseKey(0);
        QCOMPARE(r.m.model.shortcutKeyID(), "a");
        QCOMPARE(r.editor.keyTitle(), "A");
        QCOMPARE(r.calls, 1);
        r.editor.chooseKey(99);
        QCOMPARE(r.calls, 1);
    }

    void anEqualAssignmentElsewhereIsNoChange()
    {
        Rig r;
        r.m.model.setShortcutKeyID("l");
        r.m.model.setShortcutRequiresShift(false);
        QCOMPARE(r.calls, 0);
    }

    void popupPlacement_data()
    {
        QTest::addColumn<QRect>("tray");
        QTest::addColumn<QPoint>("pointer");
        QTest::addColumn<QPoint>("position");
        QTest::newRow("centred under the icon")
            << QRect(600, 0, 24, 24) << QPoint() << QPoint(611 - 184, 28);
        QTest::newRow("kept inside on the right")
            << QRect(1256, 0, 24, 24) << QPoint() << QPoint(1280 - 368, 28);
        QTest::newRow("above a bottom tray")
            << QRect(1256, 1000, 24, 24) << QPoint() << QPoint(1280 - 368, 1000 - 4 - 600);
        QTest::newRow("no geometry: at the pointer") << QRect() << QPoint(10, 10) << QPoint(0, 15);
    }

    void popupPlacement()
    {
        QFETCH(QRect, tray);
        QFETCH(QPoint, pointer);
        QTEST(popupPosition(QSize(368, 600), tray, pointer, QRect(0, 0, 1280, 1024)), "position");
    }
};

VELTO_REGISTER_TEST(ShortcutEditorTest);
#include "ShortcutEditorTest.moc"
