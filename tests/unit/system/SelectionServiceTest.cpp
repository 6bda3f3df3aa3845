#include "system/SelectionService.h"
#include "fakes/platform/FakeEventLog.h"
#include "fakes/platform/FakeFocusedSelection.h"
#include "fakes/platform/FakePasteboard.h"
#include "fakes/platform/FakeSleeper.h"
#include "fakes/platform/FakeSyntheticKeys.h"
#include "fakes/platform/FakeWorkspace.h"
#include "platform/CancellationToken.h"
#include "platform/KeyPress.h"

#include "support/TestRegistry.h"

#include <QTest>
#include <qcoro/qcorotask.h>

using namespace velto;
using namespace velto::fakes;
using namespace std::chrono_literals;

namespace {

const QString text = FakePasteboard::stringType;

// Everything the service talks to, sharing one event log.
struct Rig
{
    FakeEventLog log;
    FakeFocusedSelection selection;
    FakePasteboard pasteboard{&log};
    FakeSyntheticKeys keys{&log};
    FakeWorkspace workspace{&log};
    FakeSleeper sleeper{&log};
    SelectionService service{selection, pasteboard, keys, workspace, sleeper};

    // The target application copies `copied` when it receives Cmd+C.
    void appCopiesOnCommandC(const QString& copied)
    {
        keys.onPost = [this, copied](const PostedKey& key) {
            if (key.keyDown && key.keyCode == SelectionService::copyKeyCode)
                pasteboard.externalWrite({PasteboardItem{{text, copied.toUtf8()}}});
        };
    }
};

PasteboardSnapshot richClipboard()
{
    return {
        PasteboardItem{{"public.file-url", QByteArray("file:///tmp/a.png")},
                       {text, QByteArray("a.png")}},
        PasteboardItem{{"public.png", QByteArray("\x89PNG\0\r\n", 7)}, {text, QByteArray("b")}},
        PasteboardItem{},
    };
}

} // namespace

class SelectionServiceTest : public QObject
{
    Q_OBJECT

private slots:
    void directRouteTrimsAndLeavesTheClipboardAlone()
    {
        Rig rig;
        rig.selection.text = QStringLiteral("  word \n");
        rig.pasteboard.items = richClipboard();
        QCOMPARE(QCoro::waitFor(rig.service.selectedTextFromFocusedApp()), QString("word"));
        QVERIFY(rig.keys.posted.isEmpty());
        QVERIFY(rig.log.entries().isEmpty());
        QCOMPARE(rig.pasteboard.count, 0);
    }

    void blankDirectSelectionFallsBackToTheCopyRoute()
    {
        Rig rig;
        rig.selection.text = QStringLiteral(" \n\t ");
        rig.pasteboard.items = richClipboard();
        rig.appCopiesOnCommandC(QStringLiteral("\n copied  text \r\n"));

        QCOMPARE(QCoro::waitFor(rig.service.selectedTextFromFocusedApp()), QString("copied  text"));
        // Every item and every type are back, in order.
        QCOMPARE(rig.pasteboard.items, std::optional(richClipboard()));
        QCOMPARE(rig.log.entries(),
                 (QStringList{"key down 8 flags=100000", "sleep 25", "key up 8 flags=100000",
                              "sleep 70", "pasteboard clear", "pasteboard writeItems 3"}));
    }

    // The copy route finds nothing and puts back what the clipboard held.
    void copyRouteWithoutACopyYieldsNothing_data()
    {
        QTest::addColumn<QString>("copied");
        QTest::addColumn<bool>("available");
        QTest::addColumn<bool>("postable");
        QTest::addColumn<int>("postedKeys");
        QTest::newRow("copy that changes nothing") << QString() << true << true << 2;
        QTest::newRow("blank copy") << "   " << true << true << 2;
        QTest::newRow("no event source") << "never" << false << true << 0;
        QTest::newRow("copy key cannot be posted") << "never" << true << false << 0;
    }
    void copyRouteWithoutACopyYieldsNothing()
    {
        QFETCH(QString, copied);
        QFETCH(bool, available);
        QFETCH(bool, postable);
        QFETCH(int, postedKeys);
        Rig rig;
        const PasteboardSnapshot older{PasteboardItem{{text, "older text"}}};
        rig.pasteboard.items = older;
        rig.keys.available = available;
        rig.keys.postable = postable;
        if (!copied.isNull())
            rig.appCopiesOnCommandC(copied);
        QCOMPARE(QCoro::waitFor(rig.service.selectedTextFromFocusedApp()), std::nullopt);
        QCOMPARE(rig.keys.posted.size(), postedKeys);
        // Without keys there is no key press to wait for, only the copy's settling time.
        QCOMPARE(rig.sleeper.sleeps.size(), postedKeys ? 2 : 1);
        QCOMPARE(rig.pasteboard.items, std::optional(older));
    }

    void pasteBackOrderAndWaits()
    {
        Rig rig;
        const RunningApplication editor{4242, 0x1200001, "editor"};
        rig.workspace.frontmost = editor;
        rig.pasteboard.items = richClipboard();
        QString pastedText;
        rig.keys.onPost = [&](const PostedKey& key) {
            if (key.keyDown && key.keyCode == SelectionService::pasteKeyCode)
                pastedText = QCoro::waitFor(rig.pasteboard.readString()).value_or(QString());
        };

        QCOMPARE(QCoro::waitFor(rig.service.pasteText("New text", editor)),
                 SelectionService::PasteOutcome::pasted);
        QCOMPARE(pastedText, QString("New text"));
        QCOMPARE(
            rig.log.entries(),
            (QStringList{"pasteboard clear", "pasteboard setString", "activate 4242", "sleep 80",
                         "key down 9 flags=100000", "sleep 25", "key up 9 flags=100000", "sleep 80",
                         "pasteboard clear", "pasteboard writeItems 3"}));
        QCOMPARE(rig.pasteboard.items, std::optional(richClipboard()));
    }

    void pasteBackLeavesAnEmptyClipboardEmpty()
    {
        Rig rig;
        QCOMPARE(QCoro::waitFor(rig.service.pasteText("New text", std::nullopt)),
                 SelectionService::PasteOutcome::pasted);
        QCOMPARE(rig.pasteboard.items, std::optional(PasteboardSnapshot{}));
        // No source application: no activation and no first wait; an empty clipboard is only
        // cleared again.
        QCOMPARE(
            rig.log.entries(),
            (QStringList{"pasteboard clear", "pasteboard setString", "key down 9 flags=100000",
                         "sleep 25", "key up 9 flags=100000", "sleep 80", "pasteboard clear"}));
    }

    // Some targets take the clipboard with the pasted text once the restore has happened.
    void aTargetThatTakesThePastedTextAfterTheRestoreIsUndone_data()
    {
        QTest::addColumn<QByteArray>("takenWith");
        QTest::addColumn<bool>("restoredAgain");
        QTest::newRow("the pasted text") << QByteArray("New text") << true;
        QTest::newRow("the pasted text with CRLF") << QByteArray("New\r\ntext") << true;
        QTest::newRow("something the user copied") << QByteArray("fresh copy") << false;
    }

    void aTargetThatTakesThePastedTextAfterTheRestoreIsUndone()
    {
        QFETCH(QByteArray, takenWith);
        QFETCH(bool, restoredAgain);
        Rig rig;
        rig.pasteboard.items = richClipboard();
        const QString pasted =
            takenWith.contains('\r') ? QString("New\ntext") : QString("New text");
        PasteboardSnapshot restored;
        QCOMPARE(QCoro::waitFor(rig.service.pasteText(pasted, std::nullopt, &restored)),
                 SelectionService::PasteOutcome::pasted);
        QCOMPARE(restored, richClipboard());

        rig.sleeper.onSleep = [&] {
            rig.pasteboard.externalWrite({PasteboardItem{{text, takenWith}}});
        };
        QCoro::waitFor(rig.service.guardRestoredClipboard(restored, pasted));
        QCOMPARE(rig.sleeper.sleeps.last(), SelectionService::clipboardGuardDelay);
        if (restoredAgain)
            QCOMPARE(rig.pasteboard.items, std::optional(richClipboard()));
        else
            QCOMPARE(rig.pasteboard.items,
                     std::optional(PasteboardSnapshot{PasteboardItem{{text, takenWith}}}));
    }

    void aCancelledGuardLeavesTheClipboardAlone()
    {
        Rig rig;
        auto token = std::make_shared<CancellationToken>();
        rig.sleeper.onSleep = [&] {
            rig.pasteboard.externalWrite({PasteboardItem{{text, QByteArray("New")}}});
            token->cancel(); // a new rewrite started meanwhile
        };
        QCoro::waitFor(rig.service.guardRestoredClipboard(richClipboard(), "New", token));
        QCOMPARE(rig.pasteboard.items,
                 std::optional(PasteboardSnapshot{PasteboardItem{{text, QByteArray("New")}}}));
    }

    void withoutAPasteKeyTheTextStaysOnTheClipboard()
    {
        Rig rig;
        rig.pasteboard.items = richClipboard();
        rig.keys.postable = false;
        QCOMPARE(QCoro::waitFor(rig.service.pasteText("New text", std::nullopt)),
                 SelectionService::PasteOutcome::pasteFailed);
        QVERIFY(rig.keys.posted.isEmpty());
        QCOMPARE(QCoro::waitFor(rig.pasteboard.readString()), std::optional<QString>("New text"));
    }

    void switchedApplicationRestoresWithoutPasting()
    {
        Rig rig;
        rig.pasteboard.items = richClipboard();
        rig.workspace.frontmost = RunningApplication{77, 0x400001, "browser"};
        QCOMPARE(
            QCoro::waitFor(rig.service.pasteText("New", RunningApplication{4242, 0x1200001, {}})),
            SelectionService::PasteOutcome::applicationSwitched);
        QVERIFY(rig.keys.posted.isEmpty());
        QVERIFY(rig.workspace.activated.isEmpty());
        QCOMPARE(rig.pasteboard.items, std::optional(richClipboard()));
    }

    void applicationsWithoutProcessIdsCompareByHandle()
    {
        Rig rig;
        rig.workspace.frontmost = RunningApplication{0, 0x400001, {}};
        QCOMPARE(QCoro::waitFor(rig.service.pasteText("New", RunningApplication{0, 0x1200001, {}})),
                 SelectionService::PasteOutcome::applicationSwitched);
        rig.workspace.frontmost = RunningApplication{0, 0x1200001, {}};
        QCOMPARE(QCoro::waitFor(rig.service.pasteText("New", RunningApplication{0, 0x1200001, {}})),
                 SelectionService::PasteOutcome::pasted);
    }

    void terminatedSourcePastesWithoutActivation()
    {
        Rig rig;
        rig.workspace.terminatedPids.insert(4242);
        QCOMPARE(QCoro::waitFor(rig.service.pasteText("New", RunningApplication{4242, 1, {}})),
                 SelectionService::PasteOutcome::pasted);
        QVERIFY(rig.workspace.activated.isEmpty());
        QCOMPARE(rig.keys.posted.size(), 2);
    }
};

VELTO_REGISTER_TEST(SelectionServiceTest);
#include "SelectionServiceTest.moc"
