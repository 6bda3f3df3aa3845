#include "app/SignInFlow.h"
#include "FlowRig.h"
#include "platform/linux/SystemTranslations.h"
#include "support/TestRegistry.h"

#include <QScopeGuard>
#include <QTranslator>

using namespace velto;
using namespace velto::test;

namespace {

struct SignInFlowRig : FlowRig
{
    SignInFlowRig() : FlowRig(false)
    {
        serveSignIn();
        log->lines.clear();
    }
    ~SignInFlowRig() { waitFlowIdle(); }

    void waitFlowIdle()
    {
        QVERIFY(QTest::qWaitFor([this] { return flow.isIdle(); }, 10000));
    }

    SignInFlow flow{services(), model};
};

} // namespace

class SignInFlowTest : public QObject
{
    Q_OBJECT

private slots:
    // Our own sentences follow the user's language; what the server said is shown as it came.
    void aFailedSignInIsToldInTheUsersLanguage()
    {
        QTranslator german;
        QVERIFY(SystemTranslations::load(german, QLocale(QStringLiteral("de_DE"))));
        QVERIFY(QCoreApplication::installTranslator(&german));
        const auto english =
            qScopeGuard([&german] { QCoreApplication::removeTranslator(&german); });
        {
            // A browser step never finished: the loop stays pending until its deadline.
            SignInFlowRig rig;
            rig.backend.on("POST", "/auth/handoff/start",
                           FakeResponse::json(200, rig.handoffStart("h1", 60, 500)));
            rig.sleeper.onSleep = [&rig] { rig.clock->advance(0.5); };
            rig.flow.start();
            rig.waitFlowIdle();
            QVERIFY(rig.model.notice());
            QCOMPARE(rig.model.notice()->title, "Anmeldung fehlgeschlagen");
            QCOMPARE(rig.model.notice()->message,
                     QStringLiteral("Zeitüberschreitung bei der Anmeldung. Bitte versuchen Sie es "
                                    "erneut."));
        }
        SignInFlowRig rig;
        rig.backend.on(
            "GET", "/auth/handoff/poll",
            FakeResponse::json(400, R"({"error":{"message":"Store down","request_id":"r-7"}})"));
        rig.flow.start();
        rig.waitFlowIdle();
        QVERIFY(rig.model.notice());
        QCOMPARE(rig.model.notice()->message,
                 "Anmeldung fehlgeschlagen: Store down Anfrage-ID: r-7");
    }

    // Quitting abandons the sign-in in progress, and a request that arrives on the way out
    // (the prompt's "Log in", a click) starts none.
    void aStoppedFlowAbandonsItsSignInAndStartsNoOther()
    {
        SignInFlowRig rig;
        rig.sleeper.onSleep = [&] {
            if (rig.flow.pendingWebLogin())
                rig.flow.stop();
        };
        rig.flow.start();
        rig.waitFlowIdle();
        QCOMPARE(rig.sent("POST", "/auth/handoff/cancel"), 1);
        QVERIFY(!rig.flow.pendingWebLogin());

        rig.flow.start();
        rig.waitFlowIdle();
        QCOMPARE(rig.sent("POST", "/auth/handoff/start"), 1);
        QVERIFY(!rig.flow.running());
        QVERIFY(!rig.log->contains(LogLevel::error, "auth polling failed: "));
    }
};

VELTO_REGISTER_TEST(SignInFlowTest);
#include "SignInFlowTest.moc"
