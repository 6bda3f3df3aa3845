#include "e2e/app/AppRig.h"
#include "support/TestRegistry.h"

#include <QTest>

using namespace velto::test;
using namespace Qt::Literals::StringLiterals;

// QSKIP returns from the function it is in: a helper function would let the test go on.
#define REQUIRE_SIGN_IN()                                                                          \
    do {                                                                                           \
        if (!m_signedIn)                                                                           \
            QSKIP("needs the sign-in of signsInThroughTheBrowserFromTheShortcut");                 \
    } while (false)

namespace {

// One messy sentence per step, each rewritten once, so every paste changes the file.
const QByteArrayList originalLines{
    "Notes from Monday.",
    "the the plan is  to ship on friday , i think .",
    "we will need  more tests ,and fewer bugs .",
    "i am   sure it works .",
    "Nothing else.",
};
// The local engine's clean-up of each: spaces, doubled words, punctuation, capitals.
const QByteArrayList rewrittenLines{
    "Notes from Monday.",
    "The plan is to ship on friday, I think.",
    "We will need more tests, and fewer bugs.",
    "I am sure it works.",
    "Nothing else.",
};

// The app's log line at the end of a rewrite (on standard error: the test session has no journal).
const QByteArray rewriteSucceeded = "rewrite succeeded";

QByteArray fileWith(int rewrittenUpTo)
{
    QByteArray text;
    for (int line = 0; line < originalLines.size(); ++line)
        text += (line <= rewrittenUpTo ? rewrittenLines : originalLines).at(line) + '\n';
    return text;
}

} // namespace

// The real app on a real desktop: velto-server with the local engine, l3afpad, the `velto`
// binary with an isolated HOME, keys pressed through XTest. The first sign-in goes through the
// shortcut, the alert and the browser page; then rewrites replace the selection in place and
// the user's clipboard comes back byte for byte.
class AppEndToEndTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(qEnvironmentVariableIsSet("DISPLAY"));
        QVERIFY(qEnvironmentVariableIsSet("DBUS_SESSION_BUS_ADDRESS"));
        const QString started = m_rig.start(QString::fromUtf8(fileWith(-1)));
        QVERIFY2(started.isEmpty(), qPrintable(started));
    }

    void signsInThroughTheBrowserFromTheShortcut()
    {
        const QString failed = m_rig.signIn();
        QVERIFY2(failed.isEmpty(), qPrintable(failed));

        // One call, one argument: the server's sign-in page for this handoff.
        QCOMPARE(m_rig.app->openedUrls().size(), 1);
        const QUrl url(m_rig.app->openedUrls().value(0), QUrl::StrictMode);
        QCOMPARE(url.toString(QUrl::RemoveQuery), u"http://127.0.0.1:8787/signin"_s);
        QVERIFY(url.query().startsWith(u"handoff_id="_s));
        // The press that asked for the sign-in rewrote nothing.
        QCOMPARE(m_rig.server.count(u"POST /rewrite 200"_s), 0);
        QVERIFY(m_rig.editor->activate());
        QVERIFY(!title().startsWith(u'*'));
        m_signedIn = true;
    }

    void shortcutRewritesTheSelectionAndGivesTheClipboardBack()
    {
        REQUIRE_SIGN_IN();
        rewriteLine(1, [&] { m_rig.keyboard.chord({XTestKeyboard::superL}, 'l'); });
    }

    // With nothing to read directly the app tries a copy, gets nothing and gives the clipboard
    // back.
    void shortcutWithNothingSelectedChangesNothing()
    {
        REQUIRE_SIGN_IN();
        rewriteLine(-1, [&] { m_rig.keyboard.chord({XTestKeyboard::superL}, 'l'); });
    }

    void triggerOptionRewritesLikeTheShortcut()
    {
        REQUIRE_SIGN_IN();
        rewriteLine(2, [&] {
            const QString failed = m_rig.app->command(u"--trigger"_s);
            QVERIFY2(failed.isEmpty(), qPrintable(failed));
        });
    }

    void sessionOutlivesAQuitAndARestart()
    {
        const QString quit = m_rig.app->quit();
        QVERIFY2(quit.isEmpty(), qPrintable(quit));
        QVERIFY(!m_rig.app->isRunning());
        QByteArray logs = m_rig.app->log();
        REQUIRE_SIGN_IN();
        const int handoffs = m_rig.server.count(u"POST /auth/handoff/start 200"_s);
        const QString started = m_rig.startApp();
        QVERIFY2(started.isEmpty(), qPrintable(started));

        // The session comes back from the keyring: no alert, no browser, the rewrite happens.
        rewriteLine(3, [&] { m_rig.keyboard.chord({XTestKeyboard::superL}, 'l'); });
        QCOMPARE(m_rig.app->openedUrls(), QStringList());
        QCOMPARE(m_rig.server.count(u"POST /auth/handoff/start 200"_s), handoffs);
        const QString quitAgain = m_rig.app->quit();
        QVERIFY2(quitAgain.isEmpty(), qPrintable(quitAgain));

        // The user's text never reaches the app's log (the server's is its own tests' business).
        logs += m_rig.app->log();
        QCOMPARE(logs.count(rewriteSucceeded), 3);
        for (const QByteArray& words : {QByteArray("plan is"), QByteArray("more tests"),
                                        QByteArray("sure it works"), QByteArray("friday")})
            QVERIFY2(!logs.contains(words), words.constData());
    }

    void cleanupTestCase() { QVERIFY2(m_rig.stop(), qPrintable(m_rig.server.log())); }

private:
    QString title() const
    {
        return QString::fromUtf8(
            xdotool({u"getwindowname"_s, QString::number(m_rig.editor->window())}));
    }

    // Puts the caret at the start of a line and selects it to its end, as Shift+End does; no
    // line: only puts the caret at the end.
    void selectLine(int line)
    {
        m_rig.keyboard.chord({XTestKeyboard::controlL},
                             line < 0 ? XTestKeyboard::end : XTestKeyboard::home);
        for (int i = 0; i < line; ++i)
            m_rig.keyboard.chord({}, XTestKeyboard::down);
        if (line >= 0) {
            m_rig.keyboard.chord({}, XTestKeyboard::home);
            m_rig.keyboard.chord({XTestKeyboard::shiftL}, XTestKeyboard::end);
        }
    }

    // Selects a line (or none), has `trigger` ask for the rewrite, and checks the line was
    // replaced by the server's rewrite (nothing changed) with the user's clipboard given back
    // unchanged.
    template <typename Trigger> void rewriteLine(int line, Trigger trigger)
    {
        const bool changes = line >= 0;
        QVERIFY(m_rig.editor->activate());
        QVERIFY2(!title().startsWith(u'*'), qPrintable(title()));
        selectLine(line);
        QTRY_COMPARE_WITH_TIMEOUT(m_rig.peer.primaryText().value_or(QString()),
                                  changes ? QString(originalLines.at(line)) : QString(), 5000);
        QVERIFY(m_rig.peer.ownClipboard());
        const int rewrites = m_rig.server.count(u"POST /rewrite 200"_s);
        const int succeeded = m_rig.app->logCount(rewriteSucceeded);

        trigger();
        if (QTest::currentTestFailed())
            return;
        // A changed buffer marks the title, a copy attempt takes the clipboard and gives it
        // back. l3afpad's text is written in place, so the clipboard never changes hands then.
        if (!QTest::qWaitFor(
                [&] { return changes ? title().startsWith(u'*') : m_rig.peer.lostClipboard(); },
                10000))
            QFAIL(qPrintable(m_rig.app->report(changes ? u"the editor's text did not change"_s
                                                       : u"the app did not try a copy"_s)));
        // A rewrite is written in place (the clipboard never changes hands); nothing selected
        // means a copy was tried, whose loss this process may read after the title changed.
        if (changes)
            QVERIFY(!m_rig.peer.lostClipboard());
        else
            QTRY_VERIFY_WITH_TIMEOUT(m_rig.peer.lostClipboard(), 5000);
        QTRY_COMPARE_WITH_TIMEOUT(m_rig.peer.clipboardDifference(), QString(), 5000);
        QCOMPARE(title().startsWith(u'*'), changes);
        if (changes)
            m_rewrittenUpTo = line;
        const bool saved = m_rig.editor->saveAndWaitFor(m_rig.keyboard, fileWith(m_rewrittenUpTo));
        QCOMPARE(m_rig.editor->fileContents(), fileWith(m_rewrittenUpTo));
        QVERIFY(saved);
        const int expected = rewrites + (changes ? 1 : 0);
        QVERIFY(m_rig.server.waitForRequests(u"POST /rewrite 200"_s, expected));
        QCOMPARE(m_rig.server.count(u"POST /rewrite 200"_s), expected);
        // The app still watches the clipboard for a while after giving it back, and ignores the
        // shortcut until it is done.
        QTRY_COMPARE_WITH_TIMEOUT(m_rig.app->logCount(rewriteSucceeded),
                                  succeeded + (changes ? 1 : 0), 5000);
        QCOMPARE(m_rig.peer.clipboardDifference(), QString());
    }

    AppRig m_rig;
    bool m_signedIn = false;
    int m_rewrittenUpTo = -1;
};

VELTO_REGISTER_TEST(AppEndToEndTest);
#include "AppEndToEndTest.moc"
