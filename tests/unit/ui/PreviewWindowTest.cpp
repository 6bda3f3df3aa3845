#include "ModelStates.h"
#include "ViewItems.h"
#include "fakes/model/RecordingLogSink.h"
#include "model/ClientLogger.h"
#include "support/TestRegistry.h"
#include "ui/PreviewPresenter.h"
#include "ui/PreviewViewController.h"
#include "ui/ViewEngine.h"

#include <QQuickItem>
#include <QQuickView>
#include <QSignalSpy>
#include <QTest>

using namespace velto;

namespace {

// The preview window over a presenter, offscreen, with its answers counted.
struct PreviewWindowRig
{
    PreviewWindowRig()
    {
        previousSink = ClientLogger::setSink(log);
        presenter.start(QStringLiteral("hello world"));
        QVERIFY(controller.show(std::nullopt, QPoint(100, 100)));
        view = controller.view();
        QVERIFY(QTest::qWaitForWindowExposed(view));
    }
    ~PreviewWindowRig() { ClientLogger::setSink(previousSink); }

    QQuickItem* item(const QString& name) const { return test::findItem(view->rootObject(), name); }
    QString shown(const QString& name, const char* property = "text") const
    {
        const QQuickItem* found = item(name);
        return found ? found->property(property).toString() : QStringLiteral("<missing>");
    }
    bool logged(const QString& message) const { return log->contains(LogLevel::info, message); }

    std::shared_ptr<RecordingLogSink> log = std::make_shared<RecordingLogSink>();
    std::shared_ptr<LogSink> previousSink;
    test::ModelStates states{test::ModelState{test::Auth::signedIn, test::Capabilities::both}};
    PreviewPresenter presenter{states.model};
    ViewEngine engine;
    PreviewViewController controller{states.model, presenter, engine};
    QQuickView* view = nullptr;
    QSignalSpy replaced{&presenter, &PreviewPresenter::replaceRequested};
    QSignalSpy retried{&presenter, &PreviewPresenter::retryRequested};
    QSignalSpy cancelled{&presenter, &PreviewPresenter::cancelRequested};
};

} // namespace

class PreviewWindowTest : public QObject
{
    Q_OBJECT

private slots:
    // The text streams in; Enter replaces only once it is complete, R retries, Escape cancels
    // and gives the focus back.
    void showsTheStreamAndAnswersTheKeys()
    {
        PreviewWindowRig rig;
        QCOMPARE(rig.shown("previewStatus"), "Rewriting with Default…");
        rig.presenter.appendPiece(QStringLiteral("Hello,"));
        rig.presenter.appendPiece(QStringLiteral(" <b>world</b>"));
        // Streamed text is never read as markup.
        QCOMPARE(rig.shown("previewText"), "Hello, <b>world</b>");
        QCOMPARE(rig.shown("previewReplace", "enabled"), "false");
        QTest::keyClick(rig.view, Qt::Key_Return);
        QCOMPARE(rig.replaced.size(), 0);

        rig.presenter.finish();
        QCOMPARE(rig.shown("previewStatus"), "Rewritten with Default");
        QCOMPARE(rig.shown("previewReplace", "enabled"), "true");
        QTest::keyClick(rig.view, Qt::Key_Return);
        QCOMPARE(rig.replaced.size(), 1);
        QTest::keyClick(rig.view, Qt::Key_R);
        QCOMPARE(rig.retried.size(), 1);
        QTest::keyClick(rig.view, Qt::Key_Escape);
        QCOMPARE(rig.cancelled.size(), 1);
        QCOMPARE(rig.cancelled.first().first().toBool(), true);
    }

    // The benchmark of the first words waits for this line: it comes once per stream, after a
    // frame with the text was drawn.
    void logsTheFirstTextOnceItIsDrawn()
    {
        PreviewWindowRig rig;
        QVERIFY(!rig.logged("preview first text shown"));
        rig.presenter.appendPiece(QStringLiteral("Hello"));
        QTRY_VERIFY(rig.logged("preview first text shown"));
        QSignalSpy frames(rig.view, &QQuickWindow::frameSwapped);
        rig.presenter.appendPiece(QStringLiteral(" again"));
        rig.view->update();
        QVERIFY(frames.wait());
        const auto count = std::count_if(rig.log->lines.cbegin(), rig.log->lines.cend(),
                                         [](const RecordingLogSink::Line& line) {
                                             return line.message == "preview first text shown";
                                         });
        QCOMPARE(count, 1);
    }

    void showsTheChangesStruckThroughAndUnderlined()
    {
        PreviewWindowRig rig;
        rig.presenter.appendPiece(QStringLiteral("hullo <there> world"));
        QCOMPARE(rig.shown("showChanges", "enabled"), "false");
        rig.presenter.finish();
        QVERIFY(rig.item("showChanges"));
        QMetaObject::invokeMethod(rig.item("showChanges"), "toggle");
        QMetaObject::invokeMethod(rig.item("showChanges"), "toggled");
        QVERIFY(rig.presenter.showChanges());
        const QString html = rig.shown("previewText");
        QVERIFY2(html.contains("line-through") && html.contains("underline") &&
                     html.contains("&lt;there&gt;"),
                 qPrintable(html));
        QVERIFY(!html.contains("<there>"));
    }

    void aFailureShowsItsNoticeInTheWindow()
    {
        PreviewWindowRig rig;
        rig.presenter.fail({QStringLiteral("Network issue"),
                            QStringLiteral("Velto couldn't reach the rewrite service."),
                            UserNoticeStyle::warning});
        QCOMPARE(rig.shown("previewErrorTitle"), "Network issue");
        QCOMPARE(rig.shown("previewErrorMessage"), "Velto couldn't reach the rewrite service.");
        QVERIFY(rig.item("previewError")->isVisible());
        QCOMPARE(rig.shown("previewCopy", "enabled"), "false");
    }
};

VELTO_REGISTER_TEST(PreviewWindowTest);
#include "PreviewWindowTest.moc"
