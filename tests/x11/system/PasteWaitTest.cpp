#include "fakes/model/RecordingLogSink.h"
#include "fakes/platform/FakeFocusedSelection.h"
#include "model/ClientLogger.h"
#include "support/TestRegistry.h"
#include "x11/support/X11ClipboardWatcher.h"
#include "x11/support/X11OtherClient.h"
#include "x11/support/X11Rig.h"

#include <QTest>
#include <qcoro/qcorotask.h>
#include <qcoro/qcorotimer.h>

using namespace velto;
using namespace velto::test;
using namespace std::chrono_literals;

namespace {

// The application in front, played in this process on a connection of its own: on the paste
// key it asks for the text after a delay, or never, without a time (as old clients do).
struct PasteTarget : SyntheticKeys
{
    std::optional<std::chrono::milliseconds> readAfter;
    X11Connection connection;
    X11SelectionReader reader{connection};
    std::optional<QString> pasted;
    bool done = false;

    bool isAvailable() override { return true; }
    bool canPost(QKeyCombination) override { return true; }
    void post(QKeyCombination chord, bool keyDown) override
    {
        if (keyDown && chord == SelectionService::pasteChord && readAfter)
            readLater();
    }
    QCoro::Task<> readLater()
    {
        co_await QCoro::sleepFor(*readAfter);
        const std::optional<X11SelectionReader::Answer> answer =
            co_await reader.convert(connection.atom("CLIPBOARD"), connection.atom("UTF8_STRING"));
        if (answer)
            pasted = QString::fromUtf8(answer->data);
        done = true;
    }
};

struct Row
{
    const char* name;
    std::optional<std::chrono::milliseconds> readAfter;
    bool clipboardManager;
    bool taken;
};

const Row rows[] = {
    {"reads 300 ms after the key", 300ms, false, true},
    {"reads late beside a clipboard manager", 300ms, true, true},
    {"never asks", std::nullopt, false, false},
    {"never asks, a clipboard manager does", std::nullopt, true, false},
};

bool logged(const RecordingLogSink& log, LogLevel level, const QString& start)
{
    for (const RecordingLogSink::Line& line : log.lines) {
        if (line.level == level && line.message.startsWith(start))
            return true;
    }
    return false;
}

} // namespace

// The user's clipboard comes back only once the application in front has taken the pasted text,
// however late it asks; reads a clipboard manager makes at the change of owner do not count.
class PasteWaitTest : public QObject
{
    Q_OBJECT

private slots:
    void theUsersClipboardComesBackAfterThePaste_data()
    {
        QTest::addColumn<int>("row");
        for (int i = 0; i < int(std::size(rows)); ++i)
            QTest::newRow(rows[i].name) << i;
    }

    void theUsersClipboardComesBackAfterThePaste()
    {
        QFETCH(int, row);
        const Row& r = rows[row];
        auto log = std::make_shared<RecordingLogSink>();
        const auto previousSink = ClientLogger::setSink(log);
        X11Rig velto;
        X11OtherClient user(64 * 1024);
        QVERIFY(user.ownUserClipboard());
        std::optional<X11ClipboardWatcher> manager;
        if (r.clipboardManager)
            manager.emplace();
        PasteTarget target;
        target.readAfter = r.readAfter;
        fakes::FakeFocusedSelection noSelection;
        SelectionService service{noSelection, velto.clipboard, target, velto.workspace,
                                 velto.sleeper};

        const auto outcome = QCoro::waitFor(service.pasteText("the rewrite", std::nullopt));
        ClientLogger::setSink(previousSink);
        QCOMPARE(outcome, SelectionService::PasteOutcome::pasted);
        if (r.readAfter) {
            QTRY_VERIFY_WITH_TIMEOUT(target.done, 5000);
            QCOMPARE(target.pasted, std::optional<QString>("the rewrite"));
        }
        QCOMPARE(logged(*log, LogLevel::info, "paste: the text was taken"), r.taken);
        QCOMPARE(logged(*log, LogLevel::warning, "paste: the text was not taken"), !r.taken);
        if (manager) // it did ask for the rewrite, and that was not the paste
            QTRY_VERIFY_WITH_TIMEOUT(manager->texts.contains("the rewrite"), 5000);
        QCOMPARE(user.clipboardDifference(), QString());
    }
};

VELTO_REGISTER_TEST(PasteWaitTest);
#include "PasteWaitTest.moc"
