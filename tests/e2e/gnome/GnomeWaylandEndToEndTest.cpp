#include "e2e/app/VeltoAppProcess.h"
#include "e2e/cli/CliProcess.h"
#include "e2e/gnome/MutterKeyboard.h"
#include "e2e/support/ServerProcess.h"
#include "e2e/support/SignInBrowser.h"
#include "platform/linux/AtspiFocusedSelection.h"
#include "platform/linux/DesktopLauncher.h"
#include "platform/wayland/WaylandWorkspace.h"
#include "support/TestRegistry.h"
#include "x11/support/EditorWindow.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <qcoro/qcorotask.h>

using namespace velto;
using namespace velto::test;
using namespace Qt::Literals::StringLiterals;

namespace {

const QByteArrayList originalLines{
    "Notes from Monday, d\xc3\xa9j\xc3\xa0 vu.",
    "the the plan is  to ship on friday , i think .",
    "Nothing else.",
};
// The local engine's clean-up of the second line: spaces, doubled words, punctuation, capitals.
const QByteArray rewrittenLine = "The plan is to ship on friday, I think.";

QByteArray document(const QByteArrayList& lines)
{
    return lines.join('\n') + '\n';
}

// The app's log line at the end of a rewrite (on standard error: the test session has no journal).
const QByteArray rewriteSucceeded = "rewrite succeeded";
// What the app says at launch when the session gives it no shortcut of its own.
const QByteArray noShortcut = "hotkey unavailable";

} // namespace

// GNOME Wayland as Debian 12 ships it, on a headless mutter: no global shortcut portal, no
// data-control clipboard, no synthetic keys. The user binds `velto --trigger` in the desktop's
// settings; the selection in a GTK editor is then rewritten in place through the accessibility
// bus, the rest of the document and the user's clipboard untouched.
class GnomeWaylandEndToEndTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(qEnvironmentVariableIsSet("WAYLAND_DISPLAY"));
        QVERIFY(!qEnvironmentVariableIsSet("DISPLAY"));
        const QString keyboard = m_keyboard.start();
        QVERIFY2(keyboard.isEmpty(), qPrintable(keyboard));
        const QString serverStarted =
            m_server.start({u"--data"_s, m_data.path(), u"--engine"_s, u"local"_s,
                            u"--poll-interval-ms"_s, u"100"_s});
        QVERIFY2(serverStarted.isEmpty(), qPrintable(serverStarted));
        signIn();
        m_editor = std::make_unique<EditorWindow>(QString::fromUtf8(document(originalLines)));
        QVERIFY(m_editor->startUnwatched());
        m_app = std::make_unique<VeltoAppProcess>(QStringLiteral(VELTO_APP_BINARY),
                                                  QStringLiteral(VELTO_RECORDING_BIN));
        const QString launched = m_app->launch();
        QVERIFY2(launched.isEmpty(), qPrintable(launched));
        // `velto --trigger` reaches the app once its launch is done, and the shortcut's
        // registration is the last step of that.
        if (!QTest::qWaitFor([&] { return m_app->logCount(noShortcut) > 0; }, 30000))
            QFAIL(qPrintable(m_app->report(u"velto did not finish its launch"_s)));
    }

    void triggerRewritesTheSelectionInPlace()
    {
        // The user's clipboard: the first line, copied in the editor.
        QVERIFY2(selectLine(0), qPrintable(m_editor->output()));
        m_keyboard.chord({TestKeyboard::controlL}, 'c');
        QVERIFY(selectLine(1));

        QCOMPARE(m_app->command(u"--trigger"_s), QString());
        if (!QTest::qWaitFor([&] { return m_app->logCount(rewriteSucceeded) == 1; }, 15000))
            QFAIL(qPrintable(m_app->report(u"the rewrite did not succeed"_s)));
        QVERIFY(m_server.waitForRequests(u"POST /rewrite 200"_s, 1));
        QCOMPARE(m_server.count(u"POST /rewrite 200"_s), 1);

        // Pasted at the end, the clipboard still gives the user's copy, not the rewrite.
        m_keyboard.chord({TestKeyboard::controlL}, TestKeyboard::end);
        m_keyboard.chord({TestKeyboard::controlL}, 'v');
        QByteArrayList expected = originalLines;
        expected[1] = rewrittenLine;
        const QByteArray contents = document(expected) + originalLines.at(0);
        const bool saved = m_editor->saveAndWaitFor(m_keyboard, QString::fromUtf8(contents));
        QCOMPARE(m_editor->fileContents(), contents);
        QVERIFY(saved);

        // Written once, and nothing of the user's text in the app's log.
        QCOMPARE(m_app->logCount(rewriteSucceeded), 1);
        QCOMPARE(m_app->logCount("rewrite failed"), 0);
        for (const QByteArray& words : {QByteArray("plan is"), QByteArray("friday")})
            QVERIFY2(!m_app->log().contains(words), words.constData());
    }

    void cleanupTestCase()
    {
        if (m_app) {
            const QString quit = m_app->quit();
            QVERIFY2(quit.isEmpty(), qPrintable(quit));
        }
        m_app.reset();
        m_editor.reset();
        QVERIFY2(m_server.stop(), qPrintable(m_server.log()));
    }

private:
    // The session the app finds in the keyring: `velto-cli signin`, with the test as the
    // browser pressing Continue.
    void signIn()
    {
        CliProcess signin(QStringLiteral(VELTO_CLI_BINARY));
        signin.start({u"signin"_s, u"--no-browser"_s});
        const QRegularExpressionMatch line =
            signin.waitForErrorLine(QRegularExpression(u"^\\s+(http\\S+)$"_s), 20000);
        QVERIFY(line.hasMatch());
        SignInBrowser browser;
        const SignInBrowser::Page answer =
            browser.press(browser.open(QUrl(line.captured(1), QUrl::StrictMode)), u"Continue"_s);
        QCOMPARE(answer.status, 200);
        const CliProcess::Result result = signin.finish(CliProcess::defaultTimeoutMs);
        QVERIFY2(result.finished && result.exitCode == 0, qPrintable(result.describe()));
    }

    // Selects a whole line the way a user does, until the accessibility bus reports it selected:
    // keys typed before the editor's window has the keyboard go nowhere.
    bool selectLine(int line)
    {
        const QString wanted = QString::fromUtf8(originalLines.at(line));
        return QTest::qWaitFor(
            [&] {
                m_keyboard.chord({TestKeyboard::controlL}, TestKeyboard::home);
                for (int i = 0; i < line; ++i)
                    m_keyboard.chord({}, TestKeyboard::down);
                m_keyboard.chord({TestKeyboard::shiftL}, TestKeyboard::end);
                const std::optional<SelectedRange> range = QCoro::waitFor(m_reader.selectedRange());
                return range && range->text == wanted;
            },
            30000);
    }

    QTemporaryDir m_data;
    ServerProcess m_server{QStringLiteral(VELTO_SERVER_BINARY), appServerPort};
    MutterKeyboard m_keyboard;
    DesktopLauncher m_launcher;
    WaylandWorkspace m_workspace{m_launcher};
    AtspiFocusedSelection m_reader{m_workspace};
    std::unique_ptr<EditorWindow> m_editor;
    std::unique_ptr<VeltoAppProcess> m_app;
};

VELTO_REGISTER_TEST(GnomeWaylandEndToEndTest);
#include "GnomeWaylandEndToEndTest.moc"
