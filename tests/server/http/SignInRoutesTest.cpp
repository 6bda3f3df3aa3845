// The browser's side of the sign-in hand-off: the page for a handoff, its form in local and
// password mode, and the page that explains a handoff that can no longer sign in.

#include "AccountStore.h"
#include "HttpSuite.h"

using namespace velto::server;
using namespace velto::server::testing;

class SignInRoutesTest : public QObject
{
    Q_OBJECT

private slots:
    // The local page of a pending handoff, then one of its buttons.
    void formActions_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("poll");
        row("continue signs in", "continue", 200, "Signed in", "ready");
        row("cancel denies access", "cancel", 200, "cancelled", "access_denied");
        row("an unknown action changes nothing", "dance", 400, "not understood", "pending");
    }

    void formActions()
    {
        QFETCH(QString, action);
        QFETCH(int, status);
        QFETCH(QString, page);
        QFETCH(QString, poll);
        ServerFixture s;
        std::string id = s.start(nonce())["handoff_id"];
        auto shown = s.signInPage(id);
        QCOMPARE(shown->status, 200);
        QVERIFY(shown->get_header_value("Content-Type").find("text/html") == 0);
        for (const std::string& part :
             {std::string("tester@localhost"), std::string("value=\"continue\""),
              std::string("value=\"cancel\""), id}) {
            QVERIFY2(shown->body.find(part) != std::string::npos, part.c_str());
        }
        auto res = s.submitForm("handoff_id=" + id + "&action=" + action.toStdString());
        QCOMPARE(res->status, status);
        QVERIFY(q(res->body).contains(page));
        json polled = s.poll(id, nonce());
        QCOMPARE(q(polled.value("reason", polled["status"].get<std::string>())), poll);
    }

    // The page and the form answer the same for a handoff that cannot sign in.
    void unusableHandoffs_data()
    {
        QTest::addColumn<QString>("handoff");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("poll"); // the reason a poll gives
        row("unknown", "unknown", 404, "not valid", "");
        row("no id", "", 404, "not valid", "");
        row("expired", "expired", 410, "expired", "expired");
        row("cancelled by the app", "cancelled", 409, "already used", "cancelled");
        row("another provider", "google", 400, "e-mail only|google", "unsupported_provider");
    }

    void unusableHandoffs()
    {
        QFETCH(QString, handoff);
        QFETCH(int, status);
        QFETCH(QString, page);
        QFETCH(QString, poll);
        ServerFixture s([](ServerOptions& o) { o.handoffLifetime = 60; });
        std::string id = handoff == "unknown" ? "nope" : "";
        if (handoff != "unknown" && !handoff.isEmpty()) {
            id = s.start(nonce(), handoff == "google" ? "google" : "email")["handoff_id"];
        }
        if (handoff == "expired") {
            s.advance(60);
        } else if (handoff == "cancelled") {
            QCOMPARE(
                s.postJson("/auth/handoff/cancel", {{"handoff_id", id}, {"device_nonce", nonce()}})
                    ->status,
                200);
        }
        auto verifyPage = [&](const httplib::Result& res) {
            QCOMPARE(res->status, status);
            QVERIFY(res->get_header_value("Content-Type").find("text/html") == 0);
            for (const QString& part : page.split('|')) {
                QVERIFY2(q(res->body).contains(part), qPrintable(part));
            }
        };
        verifyPage(s.client().Get(id.empty() ? "/signin" : ("/signin?handoff_id=" + id).c_str()));
        verifyPage(s.submitForm("handoff_id=" + id + "&action=continue"));
        if (!poll.isEmpty()) {
            QCOMPARE(s.poll(id, nonce()),
                     json({{"status", "failed"}, {"reason", poll.toStdString()}}));
        }
    }

    void passwordModeSignsInWithTheRightPasswordOnly()
    {
        QTemporaryDir dir;
        std::string database = ServerFixture::newDatabase(dir);
        {
            auto db = Database::open(database, {}, 1);
            AccountStore accounts(*db, systemClock());
            accounts.addUser("Ada@example.com", "correct horse");
            // Setting a password again keeps one account, whatever the case of the e-mail.
            accounts.addUser("ada@example.com", "correct horse");
        }
        QCOMPARE(countRows(database, "SELECT count(*) FROM users"), 1);
        ServerFixture s([](ServerOptions& o) { o.signin = "password"; }, nullptr, database);
        std::string id = s.start(nonce())["handoff_id"];
        auto page = s.signInPage(id);
        QCOMPARE(page->status, 200);
        QVERIFY(page->body.find("type=\"password\"") != std::string::npos);
        QVERIFY(page->body.find("type=\"email\"") != std::string::npos);
        auto submit = [&](const std::string& credentials) {
            return s.submitForm("handoff_id=" + id + "&action=continue&" + credentials);
        };
        auto wrong = submit("email=ada%40example.com&password=wrong+horse");
        QCOMPARE(wrong->status, 401);
        QVERIFY(wrong->body.find("Wrong e-mail or password.") != std::string::npos);
        QCOMPARE(submit("email=bob%40example.com&password=correct+horse")->status, 401);
        QCOMPARE(q(s.poll(id, nonce())["status"]), QString("pending"));
        QCOMPARE(submit("email=Ada%40Example.com&password=correct+horse")->status, 200);
        auto res = s.exchange(id, nonce(), s.poll(id, nonce())["exchange_code"]);
        QCOMPARE(q(json::parse(res->body)["user"]["email"]), QString("Ada@example.com"));
    }
};

VELTO_HTTP_SUITE(SignInRoutesTest)
#include "SignInRoutesTest.moc"
