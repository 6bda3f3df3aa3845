#include "system/SelectionService.h"
#include "fakes/platform/FakeClipboard.h"
#include "fakes/platform/FakeEventLog.h"
#include "fakes/platform/FakeFocusedSelection.h"
#include "fakes/platform/FakeSleeper.h"
#include "fakes/platform/FakeSyntheticKeys.h"
#include "fakes/platform/FakeWorkspace.h"
#include "platform/CancellationToken.h"

#include "support/TestRegistry.h"

#include <QTest>
#include <qcoro/qcorotask.h>

using namespace velto;
using namespace velto::fakes;
using namespace std::chrono_literals;

namespace {

const QString text = FakeClipboard::stringType;

// Everything the service talks to, sharing one event log.
struct Rig
{
    FakeEventLog log;
    FakeFocusedSelection selection{&log};
    FakeClipboard clipboard{&log};
    FakeSyntheticKeys keys{&log};
    FakeWorkspace workspace{&log};
    FakeSleeper sleeper{&log};
    SelectionService service{selection, clipboard, keys, workspace, sleeper};

    // The target application copies `copied` when it receives Ctrl+C.
    void appCopiesOnCommandC(const QString& copied)
    {
        keys.onPost = [this, copied](const PostedKey& key) {
            if (key.keyDown && key.chord == SelectionService::copyChord)
                clipboard.externalWrite({ClipboardItem{{text, copied.toUtf8()}}});
        };
    }
};

ClipboardSnapshot richClipboard()
{
    return {
        ClipboardItem{{"public.file-url", QByteArray("file:///tmp/a.png")},
                      {text, QByteArray("a.png")}},
        ClipboardItem{{"public.png", QByteArray("\x89PNG\0\r\n", 7)}, {text, QByteArray("b")}},
        ClipboardItem{},
    };
}

using Outcome = SelectionService::PasteOutcome;
constexpr Outcome pasted = Outcome::pasted;
const RunningApplication none, editor{4242, 0x1200001, "editor"}, browser{77, 0x400001, "browser"};
const RunningApplication editorDialog{4242, 0x1200002, "editor"};
const RunningApplication windowA{0, 0x400001, {}}, windowB{0, 0x1200001, {}}, quit{4242, 1, {}};
const QStringList setText{"clipboard clear", "clipboard setString"};
const QStringList activate{"activate 4242", "wait active 4242 80"};
const QStringList pasteKey{"clipboard expect read", "key down Ctrl+V", "sleep 25", "key up Ctrl+V"};
const QStringList taken{"clipboard wait read 1000", "sleep 80"};
const QStringList notTaken{"clipboard wait read 1000"};
const QStringList restore{"clipboard clear", "clipboard writeItems 3"};

const struct PasteRow
{
    const char* name;
    bool rich;
    RunningApplication front, source;
    qint64 terminatedPid;
    bool postable;
    Outcome outcome;
    QStringList log;
    const char* clipboard;
} pasteRows[] = {
    // The window never lost the focus: nothing to wait for before the key.
    {"source still in front", true, editor, editor, 0, true, pasted,
     setText + pasteKey + taken + restore, "<restored>"},
    {"another window of the source in front", true, editorDialog, editor, 0, true, pasted,
     setText + activate + pasteKey + taken + restore, "<restored>"},
    {"no window in front", true, none, editor, 0, true, pasted,
     setText + activate + pasteKey + taken + restore, "<restored>"},
    // An empty clipboard is only cleared again.
    {"no source, empty clipboard", false, none, none, 0, true, pasted,
     setText + pasteKey + taken + QStringList("clipboard clear"), "<empty>"},
    {"paste key cannot be posted: the text stays", true, none, none, 0, false, Outcome::pasteFailed,
     setText, "New text"},
    {"another application in front", true, browser, editor, 0, true, Outcome::applicationSwitched,
     setText + restore, "<restored>"},
    {"no process ids, another window", true, windowA, windowB, 0, true,
     Outcome::applicationSwitched, setText + restore, "<restored>"},
    {"no process ids, same window", true, windowB, windowB, 0, true, pasted,
     setText + pasteKey + taken + restore, "<restored>"},
    {"source has quit: no activation", true, none, quit, 4242, true, pasted,
     setText + pasteKey + taken + restore, "<restored>"},
};

using Replacement = FocusedSelection::Replacement;

const struct ReplaceRow
{
    const char* name;
    bool readInPlace; // the selection came with its range, not by a copy
    Replacement answer;
    Outcome outcome;
    QStringList log;
    const char* clipboard;
} replaceRows[] = {
    {"replaced in place: no clipboard, no key, no activation",
     true,
     Replacement::replaced,
     Outcome::replacedInPlace,
     {"replace 3-19"},
     "<restored>"},
    {"range no longer holds the text: pasted once", true, Replacement::notApplicable, pasted,
     QStringList("replace 3-19") + setText + pasteKey + notTaken + restore, "<restored>"},
    // Fixed fault: a paste on top of a half-done edit would write the text twice.
    {"half applied: never pasted over, the text left on the clipboard", true,
     Replacement::halfApplied, Outcome::halfReplaced, QStringList("replace 3-19") + setText,
     "New text"},
    {"read by a copy: pasted", false, Replacement::replaced, pasted,
     setText + pasteKey + notTaken + restore, "<restored>"},
};

} // namespace

class SelectionServiceTest : public QObject
{
    Q_OBJECT

private slots:
    void directRouteTrimsAndLeavesTheClipboardAlone()
    {
        Rig rig;
        rig.selection.text = QStringLiteral("  word \n");
        rig.clipboard.items = richClipboard();
        QCOMPARE(QCoro::waitFor(rig.service.selectedTextFromFocusedApp()), QString("word"));
        QVERIFY(rig.keys.posted.isEmpty());
        QVERIFY(rig.log.entries().isEmpty());
        QCOMPARE(rig.clipboard.count, 0);
    }

    void blankDirectSelectionFallsBackToTheCopyRoute()
    {
        Rig rig;
        rig.selection.text = QStringLiteral(" \n\t ");
        rig.clipboard.items = richClipboard();
        rig.appCopiesOnCommandC(QStringLiteral("\n copied  text \r\n"));

        std::optional<SelectedRange> range;
        QCOMPARE(QCoro::waitFor(rig.service.selectedTextFromFocusedApp(&range)),
                 QString("copied  text"));
        QVERIFY(!range); // a copy says nothing of where the text is
        // Every item and every type are back, in order.
        QCOMPARE(rig.clipboard.items, std::optional(richClipboard()));
        QCOMPARE(rig.log.entries(), (QStringList{"key down Ctrl+C", "sleep 25", "key up Ctrl+C",
                                                 "clipboard wait change 500", "clipboard clear",
                                                 "clipboard writeItems 3"}));
    }

    // A busy application writes its copy after the key, while the route waits for it.
    void aLateCopyIsRead()
    {
        Rig rig;
        rig.clipboard.items = richClipboard();
        rig.clipboard.whileWaiting = [&] {
            rig.clipboard.externalWrite({ClipboardItem{{text, "late words"}}});
        };
        QCOMPARE(QCoro::waitFor(rig.service.selectedTextFromFocusedApp()), QString("late words"));
        QCOMPARE(rig.clipboard.items, std::optional(richClipboard()));
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
        const ClipboardSnapshot older{ClipboardItem{{text, "older text"}}};
        rig.clipboard.items = older;
        rig.keys.available = available;
        rig.keys.postable = postable;
        if (!copied.isNull())
            rig.appCopiesOnCommandC(copied);
        QCOMPARE(QCoro::waitFor(rig.service.selectedTextFromFocusedApp()), std::nullopt);
        QCOMPARE(rig.keys.posted.size(), postedKeys);
        QCOMPARE(rig.clipboard.items, std::optional(older));
    }

    // Where the text goes and what the clipboard holds afterwards, by the source application
    // (pid 0: none; window 0: no source at all) and what is in front.
    void pasteText_data()
    {
        QTest::addColumn<int>("row");
        for (int i = 0; i < int(std::size(pasteRows)); ++i)
            QTest::newRow(pasteRows[i].name) << i;
    }
    void pasteText()
    {
        QFETCH(int, row);
        const PasteRow& r = pasteRows[row];
        Rig rig;
        if (r.rich)
            rig.clipboard.items = richClipboard();
        if (r.front.handle)
            rig.workspace.active = r.front;
        if (r.terminatedPid)
            rig.workspace.terminatedPids.insert(r.terminatedPid);
        rig.keys.postable = r.postable;
        QString pastedText = QStringLiteral("<no paste key>");
        rig.keys.onPost = [&](const PostedKey& key) {
            if (key.keyDown && key.chord == SelectionService::pasteChord)
                pastedText = QCoro::waitFor(rig.clipboard.readString()).value_or(QString());
        };
        const auto source = r.source.handle ? std::optional(r.source) : std::nullopt;

        QCOMPARE(QCoro::waitFor(rig.service.pasteText("New text", source)), r.outcome);
        QCOMPARE(pastedText, r.outcome == pasted ? QStringLiteral("New text")
                                                 : QStringLiteral("<no paste key>"));
        QCOMPARE(rig.log.entries(), r.log);
        const QString clipboard = rig.clipboard.items == richClipboard() ? QString("<restored>")
                                  : rig.clipboard.items->isEmpty()
                                      ? QString("<empty>")
                                      : QCoro::waitFor(rig.clipboard.readString()).value_or("?");
        QCOMPARE(clipboard, QString(r.clipboard));
    }

    // The user's clipboard comes back only once the application has asked for the text, however
    // late; an application that never asks gets it back after the maximum.
    void theClipboardComesBackOnceTheTextWasTaken_data()
    {
        QTest::addColumn<bool>("asks");
        QTest::newRow("asks late") << true;
        QTest::newRow("never asks") << false;
    }
    void theClipboardComesBackOnceTheTextWasTaken()
    {
        QFETCH(bool, asks);
        Rig rig;
        rig.clipboard.items = richClipboard();
        QString pastedText;
        rig.clipboard.whileWaiting = [&] {
            if (asks)
                pastedText = QCoro::waitFor(rig.clipboard.readString()).value_or(QString());
        };
        QCOMPARE(QCoro::waitFor(rig.service.pasteText("New text", std::nullopt)), pasted);
        QCOMPARE(pastedText, asks ? QString("New text") : QString());
        QCOMPARE(rig.log.entries(), setText + pasteKey +
                                        (asks ? taken : QStringList("clipboard wait read 1000")) +
                                        restore);
        QCOMPARE(rig.clipboard.items, std::optional(richClipboard()));
    }

    void replaceSelection_data()
    {
        QTest::addColumn<int>("row");
        for (int i = 0; i < int(std::size(replaceRows)); ++i)
            QTest::newRow(replaceRows[i].name) << i;
    }
    void replaceSelection()
    {
        QFETCH(int, row);
        const ReplaceRow& r = replaceRows[row];
        Rig rig;
        rig.clipboard.items = richClipboard();
        rig.workspace.active = editor;
        rig.selection.replacement = r.answer;
        std::optional<SelectedRange> range;
        if (r.readInPlace) {
            rig.selection.text = QStringLiteral(" old words here\n");
            QCOMPARE(QCoro::waitFor(rig.service.selectedTextFromFocusedApp(&range)),
                     QString("old words here"));
            QVERIFY(range);
        }
        rig.log.clear();

        QCOMPARE(QCoro::waitFor(rig.service.replaceSelection("New text", range, editor)),
                 r.outcome);
        QCOMPARE(rig.log.entries(), r.log);
        QCOMPARE(rig.selection.replacements.size(), r.readInPlace ? 1 : 0);
        if (r.readInPlace) {
            // Exactly what was read is replaced, untrimmed, with the new text.
            QCOMPARE(rig.selection.replacements.first().first.text, " old words here\n");
            QCOMPARE(rig.selection.replacements.first().second, "New text");
        }
        const QString clipboard = rig.clipboard.items == richClipboard()
                                      ? QString("<restored>")
                                      : QCoro::waitFor(rig.clipboard.readString()).value_or("?");
        QCOMPARE(clipboard, QString(r.clipboard));
    }

    // A session with no clipboard to write: no key is posted, since Ctrl+V would paste what the
    // clipboard held before, and neither outcome claims the clipboard holds the text.
    void withoutAWritableClipboardNothingIsPasted()
    {
        Rig rig;
        rig.clipboard.items = richClipboard();
        rig.clipboard.writable = false;
        rig.workspace.active = editorDialog;
        QCOMPARE(QCoro::waitFor(rig.service.pasteText("New text", editor)), Outcome::notWritten);
        QCOMPARE(rig.log.entries(), setText);
        QVERIFY(rig.keys.posted.isEmpty());

        rig.selection.text = QStringLiteral("old words");
        rig.selection.replacement = Replacement::halfApplied;
        std::optional<SelectedRange> range;
        QVERIFY(QCoro::waitFor(rig.service.selectedTextFromFocusedApp(&range)));
        QCOMPARE(QCoro::waitFor(rig.service.replaceSelection("New text", range, editor)),
                 Outcome::halfReplacedNotKept);
        QCOMPARE(rig.clipboard.items, std::optional(richClipboard()));
    }

    // Some targets take the clipboard with the pasted text once the restore has happened.
    void aTargetThatTakesThePastedTextAfterTheRestoreIsUndone_data()
    {
        QTest::addColumn<QByteArray>("takenWith");
        QTest::addColumn<bool>("cancelled");
        QTest::addColumn<bool>("restoredAgain");
        QTest::newRow("the pasted text") << QByteArray("New text") << false << true;
        QTest::newRow("the pasted text with CRLF") << QByteArray("New\r\ntext") << false << true;
        QTest::newRow("something the user copied") << QByteArray("fresh copy") << false << false;
        // A new rewrite started meanwhile: its clipboard is not touched.
        QTest::newRow("the pasted text, guard cancelled")
            << QByteArray("New text") << true << false;
    }

    void aTargetThatTakesThePastedTextAfterTheRestoreIsUndone()
    {
        QFETCH(QByteArray, takenWith);
        QFETCH(bool, cancelled);
        QFETCH(bool, restoredAgain);
        Rig rig;
        rig.clipboard.items = richClipboard();
        const QString pasted =
            takenWith.contains('\r') ? QString("New\ntext") : QString("New text");
        ClipboardSnapshot restored;
        QCOMPARE(QCoro::waitFor(rig.service.pasteText(pasted, std::nullopt, &restored)),
                 SelectionService::PasteOutcome::pasted);
        QCOMPARE(restored, richClipboard());

        auto token = std::make_shared<CancellationToken>();
        rig.sleeper.onSleep = [&] {
            rig.clipboard.externalWrite({ClipboardItem{{text, takenWith}}});
            if (cancelled)
                token->cancel();
        };
        QCoro::waitFor(rig.service.guardRestoredClipboard(restored, pasted, token));
        QCOMPARE(rig.sleeper.sleeps.last(), SelectionService::clipboardGuardDelay);
        if (restoredAgain)
            QCOMPARE(rig.clipboard.items, std::optional(richClipboard()));
        else
            QCOMPARE(rig.clipboard.items,
                     std::optional(ClipboardSnapshot{ClipboardItem{{text, takenWith}}}));
    }
};

VELTO_REGISTER_TEST(SelectionServiceTest);
#include "SelectionServiceTest.moc"
