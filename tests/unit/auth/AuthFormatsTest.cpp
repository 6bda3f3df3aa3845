#include "auth/AuthService.h"
#include "auth/AuthServiceError.h"
#include "auth/ServerErrorInterpreter.h"
#include "auth/StoredAuthSession.h"
#include "auth/SupabaseTokenResponse.h"
#include "auth/WebLoginExchangeResponse.h"
#include "auth/WebLoginPollResponse.h"
#include "auth/WebLoginStartResponse.h"
#include "net/DecodingError.h"
#include "support/TestRegistry.h"

#include <QRegularExpression>
#include <QTest>
#include <nlohmann/json.hpp>

using namespace velto;

namespace {

const int ok = 0;
const int corrupt = DecodingError::dataCorruptedCode;
const int missing = DecodingError::keyNotFoundCode;
const int wrongType = DecodingError::typeMismatchCode;

const struct WireRecord
{
    const char *name, *record, *body;
    int failure;
} wireRecords[] = {
    {"start ok", "start",
     R"({"handoff_id":"h","login_url":"https:\/\/x\/","expires_in_seconds":600,"poll_interval_ms":2000,"extra":[1]})",
     ok},
    {"start, integer as string", "start",
     R"({"handoff_id":"h","login_url":"u","expires_in_seconds":600,"poll_interval_ms":"2000"})",
     wrongType},
    {"start, integer beyond 64 bits", "start",
     R"({"handoff_id":"h","login_url":"u","expires_in_seconds":18446744073709551615,"poll_interval_ms":1})",
     wrongType},
    {"start, HTML", "start", "<html>", corrupt},
    {"poll ok", "poll", R"({"status":"pending","reason":null})", ok},
    {"poll, code of the wrong type", "poll", R"({"status":"ready","exchange_code":5})", wrongType},
    {"poll, top-level string", "poll", R"("ready")", wrongType},
    {"exchange, user not an object", "exchange",
     R"({"access_token":"a","refresh_token":"r","expires_in":1,"user":"u"})", wrongType},
    {"exchange, empty access token", "exchange",
     R"({"access_token":"","refresh_token":"r","expires_in":1,"user":{}})", corrupt},
    {"refresh, expiry as float", "refresh",
     R"({"access_token":"a","refresh_token":"r","expires_in":3600.5})", wrongType},
    {"refresh, e-mail of the wrong type", "refresh",
     R"({"access_token":"a","refresh_token":"r","expires_in":1,"user":{"email":1}})", wrongType},
};

const QString noFallback = QStringLiteral("<fallback>");

// What follows "Sign-in failed: " in authError's text, or noFallback when the caller's fallback
// came back. The request id header is sent in a case the interpreter does not ask for.
QString interpreted(int status, const QByteArray& requestID, const QByteArray& body)
{
    QList<HttpResponse::Header> headers;
    if (!requestID.isEmpty())
        headers.append({"x-REQUEST-id", requestID});
    const HttpResponse response(status, headers, body);
    const AppError fallback = AuthServiceError::webLoginStartFailed();
    const AppError error = ServerErrorInterpreter::authError(body, response, fallback);
    if (error.is(fallback))
        return noFallback;
    const QString prefix = QStringLiteral("Sign-in failed: ");
    if (!error.is(AuthServiceError::domain, AuthServiceError::webLoginFailedCode) ||
        !error.description().startsWith(prefix))
        return QStringLiteral("<unexpected %1>").arg(error.description());
    return error.description().mid(prefix.size());
}

const char* structured =
    R"({"error":{"code":"handoff_expired","message":"  Handoff expired  ","request_id":"r-1","retryable":false}})";
const char* structuredNoRetryable =
    R"({"error":{"code":"handoff_expired","message":"  Handoff expired  ","request_id":"r-1"}})";
const char* upstream = "Sign-in failed due to an upstream server response.";
const struct ErrorBody
{
    const char* name;
    int status;
    const char *requestID, *body;
    QString expected;
} errorBodies[] = {
    {"structured, not retryable", 410, "", structured,
     "Handoff expired Code: handoff_expired Request ID: r-1"},
    {"structured, retryable by status", 503, "", structuredNoRetryable,
     "Handoff expired Please retry. Code: handoff_expired Request ID: r-1"},
    {"message that already mentions retrying", 429, "",
     R"({"error":{"message":"Rate limited, retry later"}})", "Rate limited, retry later"},
    {"retryable true on a 400, fields trimmed", 400, "",
     R"({"error":{"code":" c-7 ","message":"Busy","request_id":" id-1 ","retryable":true}})",
     "Busy Please retry. Code: c-7 Request ID: id-1"},
    {"retryable of the wrong type falls back to the status", 500, "",
     R"({"error":{"message":"Oops","retryable":"no"}})", "Oops Please retry."},
    {"blank body request id gives way to the header", 400, "req-9",
     R"({"error":{"message":"Bad","request_id":"  "}})", "Bad Request ID: req-9"},
    {"plain text", 400, "id", "plain words", "plain words Request ID: id"},
    {"blank code is not reported", 400, "", R"({"error":{"code":"  ","message":"Bad"}})", "Bad"},
    {"empty structured message is skipped with its code", 400, "",
     R"({"error":{"code":"c1","message":"  "},"detail":"From detail"})", "From detail"},
    {"structured message of the wrong type is skipped", 400, "",
     R"({"error":{"message":42},"error_description":"Desc"})", "Desc"},
    {"first detail entry only", 422, "", R"({"detail":[{"msg":"first"},{"msg":"second"}]})",
     "first"},
    {"detail entry without msg falls through to error_description", 422, "",
     R"({"detail":[{"loc":"x"},{"msg":"second"}],"error_description":"d"})", "d"},
    {"error string is ignored for error_description", 400, "",
     R"({"error":"invalid_grant","error_description":"Token has expired"})", "Token has expired"},
    {"JSON array is shown as its text", 400, "", "[1,2]", "[1,2]"},
    {"HTML fragment", 400, "", "oops <HTML><body>x</body></HTML>", upstream},
    {"blank 500 gives the fallback", 500, "", " \r\n\t ", noFallback},
    {"empty 500 with request id", 500, "req-9", "",
     "Sign-in failed. Please retry. Request ID: req-9"},
    {"invalid UTF-8 counts as empty", 400, "", "\xff\xfe\xc3(", noFallback},
    {"invalid UTF-8 with request id", 400, "req-9", "\xc3(", "Sign-in failed. Request ID: req-9"},
};

const QString payload = "error: Invalid auth session payload";
const QString format = "error: The data couldn't be read because it isn't in the correct format.";
const struct StoredItem
{
    const char* name;
    QByteArray data;
    QString decoded;
} storedItems[] = {
    {"camelCase",
     R"({"accessToken":"a","refreshToken":"r","expiresAt":1700000000.5,"userID":"u","email":"e@x"})",
     "a r 1700000000.5 u e@x"},
    {"snake_case only",
     R"({"access_token":"a","refresh_token":"r","expires_at":12,"user_id":"u","email":"e@x"})",
     "a r 12 u e@x"},
    {"wrong types fall back to snake_case",
     R"({"accessToken":5,"access_token":"a","refreshToken":"r","expiresAt":"soon","expires_at":7,"userID":null,"user_id":"u"})",
     "a r 7 u -"},
    {"no expiry, no user", R"({"accessToken":"a","refreshToken":"r"})", "a r 0 - -"},
    {"e-mail of the wrong type is absent",
     R"({"accessToken":"a","refreshToken":"r","email":false,"expiresAt":true})", "a r 0 - -"},
    {"empty access token", R"({"accessToken":"","access_token":"a","refreshToken":"r"})", payload},
    {"empty refresh token", R"({"accessToken":"a","refreshToken":""})", payload},
    {"missing refresh token", R"({"accessToken":"a"})", payload},
    {"not JSON", "accessToken=a", format},
    {"array", R"([{"accessToken":"a","refreshToken":"r"}])", format},
    {"invalid UTF-8", "{\"accessToken\":\"\xff\",\"refreshToken\":\"r\"}", format},
    {"empty", "", format},
    {"deeply nested", QByteArray(100000, '['), format},
};

} // namespace

// What the auth code reads from and writes to the server and the keyring: sessions, records,
// error bodies and the words shown for them, nonces and endpoint URLs.
class AuthFormatsTest : public QObject
{
    Q_OBJECT

private slots:
    // A stored session is read tolerantly (either spelling, wrong types count as absent) but
    // never without both tokens.
    void storedSessionDecoding_data()
    {
        QTest::addColumn<int>("row");
        for (int i = 0; i < int(std::size(storedItems)); ++i)
            QTest::newRow(storedItems[i].name) << i;
    }
    void storedSessionDecoding()
    {
        QFETCH(int, row);
        const auto& [name, data, decoded] = storedItems[row];
        QString actual;
        try {
            const StoredAuthSession s = StoredAuthSession::decode(data);
            actual = QStringLiteral("%1 %2 %3 %4 %5")
                         .arg(s.accessToken, s.refreshToken, QString::number(s.expiresAt, 'g', 12),
                              s.userID.value_or("-"), s.email.value_or("-"));
        } catch (const AppError& error) {
            actual = "error: " + error.description();
            QCOMPARE(error.domain(), DecodingError::domain);
        }
        QCOMPARE(actual, decoded);
    }

    void storedSessionRoundTripsWithItsKeys()
    {
        const StoredAuthSession full{"a\"b", "r", 1700000123.25, "u", "ü@x"};
        QCOMPARE(StoredAuthSession::decode(full.encoded()), full);
        const auto object = nlohmann::json::parse(full.encoded().toStdString());
        QCOMPARE(object.size(), std::size_t(5));
        QVERIFY(object.at("expiresAt").is_number());

        const StoredAuthSession bare{"a", "r", 5, std::nullopt, std::nullopt};
        const auto bareObject = nlohmann::json::parse(bare.encoded().toStdString());
        QVERIFY(!bareObject.contains("userID") && !bareObject.contains("email"));
        QCOMPARE(StoredAuthSession::decode(bare.encoded()), bare);
    }

    // Rows the auth service's own tests already fail on (a float interval, a missing id or user,
    // records without user or e-mail) are theirs.
    void wireRecordsDemandExactTypes_data()
    {
        QTest::addColumn<int>("row");
        for (int i = 0; i < int(std::size(wireRecords)); ++i)
            QTest::newRow(wireRecords[i].name) << i;
    }
    void wireRecordsDemandExactTypes()
    {
        QFETCH(int, row);
        const WireRecord& r = wireRecords[row];
        const QByteArray record = r.record;
        // The decoding error's code, 0 when the record was read, -1 for another error.
        int actual = 0;
        try {
            if (record == "start")
                WebLoginStartResponse::decode(r.body);
            else if (record == "poll")
                WebLoginPollResponse::decode(r.body);
            else if (record == "exchange")
                WebLoginExchangeResponse::decode(r.body);
            else
                SupabaseTokenResponse::decode(r.body);
        } catch (const AppError& error) {
            actual = error.domain() == DecodingError::domain ? error.code() : -1;
        }
        QCOMPARE(actual, r.failure);
    }

    void deviceNoncesAreUnpaddedBase64URL()
    {
        const QString first = AuthService::randomDeviceNonce();
        QVERIFY(first != AuthService::randomDeviceNonce());
        static const QRegularExpression alphabet(QStringLiteral("^[A-Za-z0-9_-]{43}$"));
        QVERIFY2(alphabet.match(first).hasMatch(), qPrintable(first));
        QCOMPARE(QByteArray::fromBase64(first.toLatin1(), QByteArray::Base64UrlEncoding).size(),
                 32);
    }

    void endpointPathsAreAppendedAsComponents_data()
    {
        QTest::addColumn<QString>("base");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("url");
        const char* rows[][4] = {
            {"no slash", "http://h", "auth/handoff/start", "http://h/auth/handoff/start"},
            {"base path", "https://h/api", "/auth/handoff/poll/",
             "https://h/api/auth/handoff/poll"},
            {"base path with slash", "https://h/api/", "auth/x", "https://h/api/auth/x"},
            {"encoded base path", "https://h/a%20b/", "x", "https://h/a%20b/x"},
        };
        for (const auto& row : rows)
            QTest::newRow(row[0]) << QString(row[1]) << QString(row[2]) << QString(row[3]);
    }
    void endpointPathsAreAppendedAsComponents()
    {
        QFETCH(QString, base);
        QFETCH(QString, path);
        QFETCH(QString, url);
        QCOMPARE(AuthService::endpointURL(QUrl(base), path).toString(QUrl::FullyEncoded), url);
    }

    // The handoff calls' own table also reads JSON of no known shape, an upper-case HTML page,
    // an empty 429 and 500 and an overlong body.
    void authErrorReadsEveryShapeOfErrorBody_data()
    {
        QTest::addColumn<int>("row");
        for (int i = 0; i < int(std::size(errorBodies)); ++i)
            QTest::newRow(errorBodies[i].name) << i;
    }
    void authErrorReadsEveryShapeOfErrorBody()
    {
        QFETCH(int, row);
        const ErrorBody& r = errorBodies[row];
        QCOMPARE(interpreted(r.status, r.requestID, r.body), r.expected);
    }

    void compactMessageCountsUserPerceivedCharacters()
    {
        QCOMPARE(ServerErrorInterpreter::compactMessage("\n  short \t"), QStringLiteral("short"));
        QCOMPARE(ServerErrorInterpreter::compactMessage("a  b\n c"), QStringLiteral("a  b\n c"));
        // A hostile server's escape sequences never reach a terminal: no ESC, CSI, BEL or CR.
        QCOMPARE(ServerErrorInterpreter::compactMessage(
                     QString::fromUtf8("ok\x1b[2J\x1b]0;owned\x07\r\xc2\x9b"
                                       "1mdone")),
                 QStringLiteral("ok[2J]0;owned1mdone"));

        // A family emoji is one character of eight code units; it is kept whole.
        const QString family = QString::fromUtf8("\xF0\x9F\x91\xA8\xE2\x80\x8D\xF0\x9F\x91\xA9"
                                                 "\xE2\x80\x8D\xF0\x9F\x91\xA7");
        QCOMPARE(ServerErrorInterpreter::compactMessage(QString(239, 'a') + family + "bbb"),
                 QString(239, 'a') + family + "...");

        // 240 accented letters written with combining marks: 480 code units, 240 characters.
        const QString accented = QString::fromUtf8("e\xCC\x81").repeated(240);
        QCOMPARE(ServerErrorInterpreter::compactMessage(accented), accented);
        QCOMPARE(ServerErrorInterpreter::compactMessage(accented + "z"), accented + "...");
        QCOMPARE(ServerErrorInterpreter::compactMessage(QString(10'000'000, 'q')).size(), 243);
    }

    void handoffFailureWordsBecomeSentences_data()
    {
        QTest::addColumn<QString>("reason");
        QTest::addColumn<QString>("sentence");
        const char* expired = "This sign-in session expired. Please start login again.";
        const char* used = "This sign-in session was already used.";
        const char* canceled = "Sign-in was canceled.";
        const char* unavailable = "Sign-in service is temporarily unavailable. Please retry.";
        const char* rows[][2] = {
            {"expired", expired},
            {"invalid_or_expired_handoff", expired},
            {"unauthorized_handoff", "This sign-in session is not valid for this device."},
            {"already_used", used},
            {"invalid_handoff_exchange", used},
            {"cancelled", canceled},
            {"auth_handoff_store_unavailable", unavailable},
            {"oauth_provider_unavailable", unavailable},
        };
        for (const auto& row : rows)
            QTest::newRow(row[0]) << QString(row[0]) << QString(row[1]);
        QTest::newRow("mixed case with line break") << "Access_Denied\n" << QString(canceled);
        QTest::newRow("blank") << "  " << QString("No reason was given. Please retry.");
        QTest::newRow("unlisted")
            << " Weird_Reason "
            << QString("The sign-in server said \u201cweird_reason\u201d. Please retry.");
    }
    void handoffFailureWordsBecomeSentences()
    {
        QFETCH(QString, reason);
        QFETCH(QString, sentence);
        QCOMPARE(ServerErrorInterpreter::humanReadableHandoffFailure(reason), sentence);
    }
};

VELTO_REGISTER_TEST(AuthFormatsTest);
#include "AuthFormatsTest.moc"
