#include "auth/AuthService.h"
#include "auth/DecodingError.h"
#include "auth/StoredAuthSession.h"
#include "auth/SupabaseTokenResponse.h"
#include "auth/WebLoginExchangeResponse.h"
#include "auth/WebLoginPollResponse.h"
#include "auth/WebLoginStartResponse.h"
#include "support/TestRegistry.h"

#include <QRegularExpression>
#include <QTest>
#include <nlohmann/json.hpp>

using namespace velto;

namespace {

// The decoding error a call threw: its code, 0 when the call succeeded, -1 for another error.
template <typename Call> int decodingFailure(Call call)
{
    try {
        call();
    } catch (const AppError& error) {
        return error.domain() == DecodingError::domain ? error.code() : -1;
    }
    return 0;
}

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

} // namespace

class SessionDecodingTest : public QObject
{
    Q_OBJECT

private slots:
    // A stored session is read tolerantly (either spelling, wrong types count as absent) but
    // never without both tokens.
    void storedSessionDecoding_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("decoded");
        const QString payload = "error: Invalid auth session payload";
        const QString format =
            "error: The data couldn't be read because it isn't in the correct format.";
        const struct
        {
            const char *name, *data;
            QString decoded;
        } rows[] = {
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
             R"({"accessToken":"a","refreshToken":"r","email":false,"expiresAt":true})",
             "a r 0 - -"},
            {"empty access token", R"({"accessToken":"","access_token":"a","refreshToken":"r"})",
             payload},
            {"empty refresh token", R"({"accessToken":"a","refreshToken":""})", payload},
            {"missing refresh token", R"({"accessToken":"a"})", payload},
            {"not JSON", "accessToken=a", format},
            {"array", R"([{"accessToken":"a","refreshToken":"r"}])", format},
            {"invalid UTF-8", "{\"accessToken\":\"\xff\",\"refreshToken\":\"r\"}", format},
            {"empty", "", format},
        };
        for (const auto& row : rows)
            QTest::newRow(row.name) << QByteArray(row.data) << row.decoded;
        QTest::newRow("deeply nested") << QByteArray(100000, '[') << format;
    }
    void storedSessionDecoding()
    {
        QFETCH(QByteArray, data);
        QFETCH(QString, decoded);
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
        const int actual = decodingFailure([&] {
            if (record == "start")
                WebLoginStartResponse::decode(r.body);
            else if (record == "poll")
                WebLoginPollResponse::decode(r.body);
            else if (record == "exchange")
                WebLoginExchangeResponse::decode(r.body);
            else
                SupabaseTokenResponse::decode(r.body);
        });
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
            {"root", "http://h:1/", "auth/handoff/start", "http://h:1/auth/handoff/start"},
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
};

VELTO_REGISTER_TEST(SessionDecodingTest);
#include "SessionDecodingTest.moc"
