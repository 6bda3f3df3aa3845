#include "e2e/app/SelectionPeer.h"
#include "e2e/app/VeltoAppProcess.h"
#include "e2e/support/ServerProcess.h"
#include "support/TestRegistry.h"
#include "x11/support/EditorWindow.h"
#include "x11/support/XTestKeyboard.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

using namespace velto::test;
using namespace Qt::Literals::StringLiterals;

namespace {

constexpr std::uint32_t escapeKey = 0xff1b;
constexpr std::uint32_t returnKey = 0xff0d;

const QByteArray original = "Notes.\nthe the plan is  to ship on friday , i think .\nEnd.\n";
// The local engine's clean-up of the second line.
const QByteArray rewritten = "Notes.\nThe plan is to ship on friday, I think.\nEnd.\n";

} // namespace

// "Preview before replacing" on the real desktop: the shortcut opens the preview window with the
// keyboard; Escape leaves the editor's text and the clipboard as they were, Enter replaces the
// selection.
class PreviewEndToEndTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(qEnvironmentVariableIsSet("DISPLAY"));
        const QString serverStarted =
            m_server.start({u"--data"_s, m_data.path(), u"--engine"_s, u"local"_s,
                            u"--poll-interval-ms"_s, u"200"_s});
        QVERIFY2(serverStarted.isEmpty(), qPrintable(serverStarted));
        m_editor = std::make_unique<EditorWindow>(QString::fromUtf8(original));
        QVERIFY(m_editor->start());
        // The preferences a user who switched the preview on has; the app adds nothing to them.
        const QString folder =
            QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + "/velto";
        QDir().mkpath(folder);
        QFile file(folder + "/preferences.json");
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("{\"settings_schema_version\": 6, \"didShowFirstRunGuide\": true, "
                   "\"shortcutKey\": \"l\", \"shortcutRequiresShift\": false, "
                   "\"shortcutChosen\": true, \"previewBeforeReplacing\": true}\n");
        file.close();
        m_app = std::make_unique<VeltoAppProcess>(QStringLiteral(VELTO_APP_BINARY),
                                                  QStringLiteral(VELTO_RECORDING_BIN));
        const QString started = m_app->start();
        QVERIFY2(started.isEmpty(), qPrintable(started));
        QVERIFY(m_editor->activate());
        const QString failed = m_app->signInFromShortcut(m_server, m_keyboard);
        if (!failed.isEmpty())
            QFAIL(qPrintable(m_app->report(failed)));
    }

    void escapeLeavesTheTextAndTheClipboardAsTheyWere()
    {
        openPreviewOnTheSecondLine();
        if (QTest::currentTestFailed())
            return;
        m_keyboard.chord({}, escapeKey);
        if (!QTest::qWaitFor([&] { return m_app->logCount("preview cancelled") == 1; }, 5000))
            QFAIL(qPrintable(m_app->report(u"Escape did not cancel the preview"_s)));
        // The focus comes back to the editor, so its own save key works there.
        if (!m_editor->waitUntilActive())
            QFAIL(qPrintable(m_app->report(u"the focus did not come back to the editor"_s)));
        QVERIFY(m_editor->saveAndWaitFor(m_keyboard, QString::fromUtf8(original)));
        QCOMPARE(m_editor->fileContents(), original);
        QCOMPARE(m_peer.clipboardDifference(), QString());
        QCOMPARE(m_server.count(u"POST /rewrite 200"_s), 0);
    }

    void enterReplacesTheSelection()
    {
        openPreviewOnTheSecondLine();
        if (QTest::currentTestFailed())
            return;
        m_keyboard.chord({}, returnKey);
        if (!QTest::qWaitFor([&] { return m_app->logCount("rewrite succeeded") == 1; }, 10000))
            QFAIL(qPrintable(m_app->report(u"Enter did not replace the selection"_s)));
        QVERIFY(m_editor->saveAndWaitFor(m_keyboard, QString::fromUtf8(rewritten)));
        QCOMPARE(m_editor->fileContents(), rewritten);
        QTRY_COMPARE_WITH_TIMEOUT(m_peer.clipboardDifference(), QString(), 5000);
        // The user's text never reaches the app's log.
        QVERIFY(!m_app->log().contains("ship on friday"));
    }

    void cleanupTestCase()
    {
        m_app.reset();
        m_editor.reset();
        QVERIFY2(m_server.stop(), qPrintable(m_server.log()));
    }

private:
    // Selects the second line, owns the clipboard, presses the shortcut and waits until the
    // whole rewrite stands in the preview window.
    void openPreviewOnTheSecondLine()
    {
        QVERIFY(m_editor->activate());
        m_keyboard.selectFromStart(1, 0, 0);
        m_keyboard.chord({XTestKeyboard::shiftL}, XTestKeyboard::end);
        QTRY_COMPARE_WITH_TIMEOUT(m_peer.primaryText().value_or(QString()),
                                  u"the the plan is  to ship on friday , i think ."_s, 5000);
        QVERIFY(m_peer.ownClipboard());
        const int finished = m_app->logCount("preview finished");
        m_keyboard.chord({XTestKeyboard::superL}, 'l');
        if (!QTest::qWaitFor([&] { return m_app->logCount("preview finished") == finished + 1; },
                             10000))
            QFAIL(qPrintable(m_app->report(u"the preview did not show the rewrite"_s)));
        QTRY_COMPARE_WITH_TIMEOUT(m_app->logCount("preview first text shown"), finished + 1, 5000);
    }

    QTemporaryDir m_data;
    ServerProcess m_server{QStringLiteral(VELTO_SERVER_BINARY), appServerPort};
    XTestKeyboard m_keyboard;
    SelectionPeer m_peer;
    std::unique_ptr<EditorWindow> m_editor;
    std::unique_ptr<VeltoAppProcess> m_app;
};

VELTO_REGISTER_TEST(PreviewEndToEndTest);
#include "PreviewEndToEndTest.moc"
