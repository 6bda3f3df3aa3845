#include "app/SignInFlow.h"
#include "FlowRig.h"
#include "support/TestRegistry.h"

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

struct RefusalRow
{
    FakeResponse poll;
    FakeResponse exchange;
    QString message; // the start of the notice's message
};

} // namespace

Q_DECLARE_METATYPE(RefusalRow)

class SignInFlowTest : public QObject
{
    Q_OBJECT

private slots:
    // A failed request inside the poll loop ends it like any failure: said once, the session
    // state read back, nothing left pending, and the backend not asked to cancel.
    void aRefusedPollOrExchangeEndsTheSignInWithItsReason_data()
    {
        QTest::addColumn<RefusalRow>("row");
        const FakeResponse ready =
            FakeResponse::json(200, R"({"status":"ready","exchange_code":"c"})");
        const FakeResponse unused = FakeResponse::json(500, "{}");
        QTest::newRow("poll") << RefusalRow{
            FakeResponse::json(500, R"({"error":{"message":"Handoff store down"}})"), unused,
            "Sign-in failed: Handoff store down"};
        QTest::newRow("exchange") << RefusalRow{
            ready,
            FakeResponse::json(400, R"({"error":{"code":"already_used","message":"Code used"}})"),
            "Sign-in failed: Code used"};
    }

    void aRefusedPollOrExchangeEndsTheSignInWithItsReason()
    {
        QFETCH(RefusalRow, row);
        SignInFlowRig rig;
        rig.backend.on("GET", "/auth/handoff/poll", row.poll);
        rig.backend.on("POST", "/auth/handoff/exchange", row.exchange);
        rig.flow.start();
        QVERIFY(rig.flow.running());
        rig.waitFlowIdle();

        const std::optional<UserNotice> notice = rig.model.notice();
        QVERIFY(notice);
        QCOMPARE(notice->title, "Sign in failed");
        QVERIFY2(notice->message.startsWith(row.message), qPrintable(notice->message));
        QCOMPARE(rig.model.uiStatus(), UIStatus::error(notice->message));
        QVERIFY(rig.log->contains(LogLevel::error, "auth polling failed: " + notice->message));
        QCOMPARE(rig.model.authState(), AuthState::signedOut());
        QVERIFY(!rig.flow.pendingWebLogin());
        QVERIFY(!rig.flow.running());
        QCOMPARE(rig.sent("POST", "/auth/handoff/cancel"), 0);
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
