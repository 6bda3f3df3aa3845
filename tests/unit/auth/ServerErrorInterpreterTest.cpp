#include "auth/ServerErrorInterpreter.h"
#include "auth/AuthServiceError.h"
#include "support/TestRegistry.h"

#include <QTest>

using namespace velto;

namespace {

using Headers = QList<HttpResponse::Header>;

const QString noFallback = QStringLiteral("<fallback>");

// The user's text of authError, or noFallback when the caller's fallback came back.
QString interpreted(int status, const Headers& headers, const QByteArray& body)
{
    const HttpResponse response(status, headers, body);
    const AppError fallback = AuthServiceError::webLoginStartFailed();
    const AppError error = ServerErrorInterpreter::authError(body, response, fallback);
    if (error.is(fallback))
        return noFallback;
    if (!error.is(AuthServiceError::domain, AuthServiceError::webLoginFailedCode))
        return QStringLiteral("<unexpected %1>").arg(error.description());
    return error.description();
}

} // namespace

class ServerErrorInterpreterTest : public QObject
{
    Q_OBJECT

private slots:
    void authErrorReadsEveryShapeOfErrorBody_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<Headers>("headers");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("expected");

        const Headers none;
        const Headers withID{{"X-Request-Id", "req-9"}};
        const QByteArray structured =
            R"({"error":{"code":"handoff_expired","message":"  Handoff expired  ","request_id":"r-1","retryable":false}})";
        const QByteArray structuredNoRetryable =
            R"({"error":{"code":"handoff_expired","message":"  Handoff expired  ","request_id":"r-1"}})";

        QTest::newRow("structured, not retryable")
            << 410 << none << structured
            << "Sign-in failed: Handoff expired Code: handoff_expired Request ID: r-1";
        QTest::newRow("structured, retryable by status")
            << 503 << none << structuredNoRetryable
            << "Sign-in failed: Handoff expired Please retry. Code: handoff_expired Request ID: "
               "r-1";
        QTest::newRow("message that already mentions retrying")
            << 429 << none << QByteArray(R"({"error":{"message":"Rate limited, retry later"}})")
            << "Sign-in failed: Rate limited, retry later";
        QTest::newRow("retryable true on a 400")
            << 400 << none << QByteArray(R"({"error":{"message":"Busy","retryable":true}})")
            << "Sign-in failed: Busy Please retry.";
        QTest::newRow("retryable of the wrong type falls back to the status")
            << 500 << none << QByteArray(R"({"error":{"message":"Oops","retryable":"no"}})")
            << "Sign-in failed: Oops Please retry.";
        QTest::newRow("blank body request id gives way to the header")
            << 400 << withID << QByteArray(R"({"error":{"message":"Bad","request_id":"  "}})")
            << "Sign-in failed: Bad Request ID: req-9";
        QTest::newRow("header name in any case")
            << 400 << Headers{{"x-request-id", "lower"}} << QByteArray("plain words")
            << "Sign-in failed: plain words Request ID: lower";
        QTest::newRow("blank code is not reported")
            << 400 << none << QByteArray(R"({"error":{"code":"  ","message":"Bad"}})")
            << "Sign-in failed: Bad";
        QTest::newRow("empty structured message is skipped with its code")
            << 400 << none
            << QByteArray(R"({"error":{"code":"c1","message":"  "},"detail":"From detail"})")
            << "Sign-in failed: From detail";
        QTest::newRow("structured message of the wrong type is skipped")
            << 400 << none << QByteArray(R"({"error":{"message":42},"error_description":"Desc"})")
            << "Sign-in failed: Desc";
        QTest::newRow("first detail entry only")
            << 422 << none << QByteArray(R"({"detail":[{"msg":"first"},{"msg":"second"}]})")
            << "Sign-in failed: first";
        QTest::newRow("detail entry without msg falls through to error_description")
            << 422 << none
            << QByteArray(R"({"detail":[{"loc":"x"},{"msg":"second"}],"error_description":"d"})")
            << "Sign-in failed: d";
        QTest::newRow("error string is ignored for error_description")
            << 400 << none
            << QByteArray(R"({"error":"invalid_grant","error_description":"Token has expired"})")
            << "Sign-in failed: Token has expired";
        QTest::newRow("JSON of no known shape is shown as its text")
            << 200 << none << QByteArray(R"({"unexpected":true})")
            << R"(Sign-in failed: {"unexpected":true})";
        QTest::newRow("JSON array is shown as its text")
            << 400 << none << QByteArray(R"([1,2])") << "Sign-in failed: [1,2]";
        QTest::newRow("HTML page with upper-case doctype")
            << 503 << withID << QByteArray("\n<!DOCTYPE HTML><title>502</title>")
            << "Sign-in failed: Sign-in failed due to an upstream server response. Please retry. "
               "Request ID: req-9";
        QTest::newRow("HTML fragment")
            << 400 << none << QByteArray("oops <HTML><body>x</body></HTML>")
            << "Sign-in failed: Sign-in failed due to an upstream server response.";
        QTest::newRow("empty 429 without request id")
            << 429 << none << QByteArray()
            << "Sign-in failed: Too many auth requests. Please retry in a few seconds.";
        QTest::newRow("empty 500 gives the fallback") << 500 << none << QByteArray() << noFallback;
        QTest::newRow("blank 500 gives the fallback")
            << 500 << none << QByteArray(" \r\n\t ") << noFallback;
        QTest::newRow("empty 500 with request id")
            << 500 << withID << QByteArray()
            << "Sign-in failed: Sign-in failed. Please retry. Request ID: req-9";
        QTest::newRow("invalid UTF-8 counts as empty")
            << 400 << none << QByteArray("\xff\xfe\xc3(") << noFallback;
        QTest::newRow("invalid UTF-8 with request id")
            << 400 << withID << QByteArray("\xc3(")
            << "Sign-in failed: Sign-in failed. Request ID: req-9";
        QTest::newRow("plain text of 300 characters is cut")
            << 400 << none << QByteArray(300, 'x')
            << "Sign-in failed: " + QString(240, 'x') + "...";
    }
    void authErrorReadsEveryShapeOfErrorBody()
    {
        QFETCH(int, status);
        QFETCH(Headers, headers);
        QFETCH(QByteArray, body);
        QFETCH(QString, expected);
        QCOMPARE(interpreted(status, headers, body), expected);
    }

    void parsedErrorKeepsItsFieldsApart()
    {
        const QByteArray body =
            R"({"error":{"code":" c-7 ","message":"Nope","request_id":" id-1 ","retryable":true}})";
        const auto parsed = ServerErrorInterpreter::parseServerError(body, HttpResponse(400, {}));
        QVERIFY(parsed);
        QCOMPARE(*parsed, (ParsedServerError{QStringLiteral("c-7"), QStringLiteral("Nope"),
                                             QStringLiteral("id-1"), true}));
        QVERIFY(!ServerErrorInterpreter::parseServerError({}, HttpResponse(500, {})));
    }

    void compactMessageCountsUserPerceivedCharacters()
    {
        QCOMPARE(ServerErrorInterpreter::compactMessage("\n  short \t"), QStringLiteral("short"));
        QCOMPARE(ServerErrorInterpreter::compactMessage("a  b\n c"), QStringLiteral("a  b\n c"));

        // A family emoji is one character of eight code units; it is kept whole.
        const QString family = QString::fromUtf8("\xF0\x9F\x91\xA8\xE2\x80\x8D\xF0\x9F\x91\xA9"
                                                 "\xE2\x80\x8D\xF0\x9F\x91\xA7");
        QCOMPARE(ServerErrorInterpreter::compactMessage(QString(239, 'a') + family + "bbb"),
                 QString(239, 'a') + family + "...");

        // 240 accented letters written with combining marks: 480 code units, 240 characters.
        QString accented;
        for (int i = 0; i < 240; ++i)
            accented += QString::fromUtf8("e\xCC\x81");
        QCOMPARE(ServerErrorInterpreter::compactMessage(accented), accented);
        QCOMPARE(ServerErrorInterpreter::compactMessage(accented + "z"), accented + "...");

        const QString cut = ServerErrorInterpreter::compactMessage(QString(10'000'000, 'q'));
        QCOMPARE(cut.size(), 243);
    }

    void handoffFailureWordsBecomeSentences_data()
    {
        QTest::addColumn<QString>("reason");
        QTest::addColumn<QString>("sentence");
        const QString expired = "This sign-in session expired. Please start login again.";
        const QString used = "This sign-in session was already used.";
        const QString canceled = "Sign-in was canceled.";
        const QString unavailable = "Sign-in service is temporarily unavailable. Please retry.";
        QTest::newRow("expired") << "expired" << expired;
        QTest::newRow("invalid_or_expired_handoff") << "invalid_or_expired_handoff" << expired;
        QTest::newRow("unauthorized_handoff")
            << "unauthorized_handoff"
            << "This sign-in session is not valid for this device.";
        QTest::newRow("already_used") << "already_used" << used;
        QTest::newRow("invalid_handoff_exchange") << "invalid_handoff_exchange" << used;
        QTest::newRow("cancelled") << "cancelled" << canceled;
        QTest::newRow("mixed case with line break") << "Access_Denied\n" << canceled;
        QTest::newRow("store unavailable") << "auth_handoff_store_unavailable" << unavailable;
        QTest::newRow("provider unavailable") << "oauth_provider_unavailable" << unavailable;
        QTest::newRow("empty") << "  "
                               << "Sign-in failed. Please retry.";
        QTest::newRow("unlisted") << " Weird_Reason "
                                  << "Sign-in failed: weird_reason";
    }
    void handoffFailureWordsBecomeSentences()
    {
        QFETCH(QString, reason);
        QFETCH(QString, sentence);
        QCOMPARE(ServerErrorInterpreter::humanReadableHandoffFailure(reason), sentence);
    }

    void authErrorsHaveTheirFixedTexts()
    {
        const QList<QPair<AppError, QString>> texts{
            {AuthServiceError::missingSupabaseConfig(), "Supabase URL and anon key are required."},
            {AuthServiceError::notSignedIn(), "Please sign in first."},
            {AuthServiceError::webLoginStartFailed(), "Could not start web sign-in."},
            {AuthServiceError::webLoginBrowserOpenFailed(),
             "Could not open the browser for sign-in."},
            {AuthServiceError::webLoginTimedOut(), "Login timed out. Please try again."},
            {AuthServiceError::webLoginInvalidResponse(),
             "Sign-in flow returned an invalid response."},
            {AuthServiceError::tokenExchangeFailed(), "Failed to exchange auth code for session."},
            {AuthServiceError::webLoginFailed("x"), "Sign-in failed: x"},
        };
        for (const auto& [error, text] : texts)
            QCOMPARE(error.description(), text);
    }
};

VELTO_REGISTER_TEST(ServerErrorInterpreterTest);
#include "ServerErrorInterpreterTest.moc"
