#include "e2e/app/AppRig.h"
#include "support/TestRegistry.h"

#include <QTest>

using namespace velto::test;
using namespace Qt::Literals::StringLiterals;

namespace {

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
        // A user who switched the preview on.
        const QString started =
            m_rig.start(QString::fromUtf8(original), {{u"previewBeforeReplacing"_s, true}});
        QVERIFY2(started.isEmpty(), qPrintable(started));
        const QString failed = m_rig.signIn();
        QVERIFY2(failed.isEmpty(), qPrintable(failed));
    }

    void escapeLeavesTheTextAndTheClipboardAsTheyWere()
    {
        openPreviewOnTheSecondLine();
        if (QTest::currentTestFailed())
            return;
        m_rig.keyboard.chord({}, XTestKeyboard::escape);
        if (!QTest::qWaitFor([&] { return m_rig.app->logCount("preview cancelled") == 1; }, 5000))
            QFAIL(qPrintable(m_rig.app->report(u"Escape did not cancel the preview"_s)));
        // The focus comes back to the editor, so its own save key works there.
        if (!m_rig.editor->waitUntilActive())
            QFAIL(qPrintable(m_rig.app->report(u"the focus did not come back to the editor"_s)));
        QVERIFY(m_rig.editor->saveAndWaitFor(m_rig.keyboard, QString::fromUtf8(original)));
        QCOMPARE(m_rig.editor->fileContents(), original);
        QCOMPARE(m_rig.peer.clipboardDifference(), QString());
        QCOMPARE(m_rig.server.count(u"POST /rewrite 200"_s), 0);
    }

    void enterReplacesTheSelection()
    {
        openPreviewOnTheSecondLine();
        if (QTest::currentTestFailed())
            return;
        m_rig.keyboard.chord({}, XTestKeyboard::returnKey);
        if (!QTest::qWaitFor([&] { return m_rig.app->logCount("rewrite succeeded") == 1; }, 10000))
            QFAIL(qPrintable(m_rig.app->report(u"Enter did not replace the selection"_s)));
        QVERIFY(m_rig.editor->saveAndWaitFor(m_rig.keyboard, QString::fromUtf8(rewritten)));
        QCOMPARE(m_rig.editor->fileContents(), rewritten);
        QTRY_COMPARE_WITH_TIMEOUT(m_rig.peer.clipboardDifference(), QString(), 5000);
        // The user's text never reaches the app's log.
        QVERIFY(!m_rig.app->log().contains("ship on friday"));
    }

    void cleanupTestCase() { QVERIFY2(m_rig.stop(), qPrintable(m_rig.server.log())); }

private:
    // Selects the second line, owns the clipboard, presses the shortcut and waits until the
    // whole rewrite stands in the preview window.
    void openPreviewOnTheSecondLine()
    {
        QVERIFY(m_rig.editor->activate());
        m_rig.keyboard.selectFromStart(1, 0, 0);
        m_rig.keyboard.chord({XTestKeyboard::shiftL}, XTestKeyboard::end);
        QTRY_COMPARE_WITH_TIMEOUT(m_rig.peer.primaryText().value_or(QString()),
                                  u"the the plan is  to ship on friday , i think ."_s, 5000);
        QVERIFY(m_rig.peer.ownClipboard());
        const int finished = m_rig.app->logCount("preview finished");
        m_rig.keyboard.chord({XTestKeyboard::superL}, 'l');
        if (!QTest::qWaitFor(
                [&] { return m_rig.app->logCount("preview finished") == finished + 1; }, 10000))
            QFAIL(qPrintable(m_rig.app->report(u"the preview did not show the rewrite"_s)));
        QTRY_COMPARE_WITH_TIMEOUT(m_rig.app->logCount("preview first text shown"), finished + 1,
                                  5000);
    }

    AppRig m_rig;
};

VELTO_REGISTER_TEST(PreviewEndToEndTest);
#include "PreviewEndToEndTest.moc"
