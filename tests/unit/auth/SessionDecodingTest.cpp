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

// The decoding error's code, or 0 when the call succeeded.
template <typename Call> int decodingFailure(Call call)
{
    try {
        call();
    } catch (const AppError& error) {
        if (error.domain() != DecodingError::domain)
            return -1;
        return error.code();
    }
    return 0;
}

} // namespace

class SessionDecodingTest : public QObject
{
    Q_OBJECT

private slots:
    void storedSessionIsReadTolerantly_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("access");
        QTest::addColumn<double>("expiresAt");
        QTest::addColumn<QString>("userID");
        QTest::addColumn<QString>("email");

        QTest::newRow("camelCase")
            << QByteArray(
                   R"({"accessToken":"a","refreshToken":"r","expiresAt":1700000000.5,"userID":"u","email":"e@x"})")
            << "a" << 1700000000.5 << "u"
            << "e@x";
        QTest::newRow("snake_case only")
            << QByteArray(
                   R"({"access_token":"a","refresh_token":"r","expires_at":12,"user_id":"u","email":"e@x"})")
            << "a" << 12.0 << "u"
            << "e@x";
        QTest::newRow("wrong types fall back to snake_case")
            << QByteArray(
                   R"({"accessToken":5,"access_token":"a","refreshToken":"r","expiresAt":"soon","expires_at":7,"userID":null,"user_id":"u"})")
            << "a" << 7.0 << "u"
            << "<none>";
        QTest::newRow("no expiry, no user")
            << QByteArray(R"({"accessToken":"a","refreshToken":"r"})") << "a" << 0.0 << "<none>"
            << "<none>";
        QTest::newRow("e-mail of the wrong type is absent")
            << QByteArray(
                   R"({"accessToken":"a","refreshToken":"r","email":false,"expiresAt":true})")
            << "a" << 0.0 << "<none>"
            << "<none>";
    }
    void storedSessionIsReadTolerantly()
    {
        QFETCH(QByteArray, data);
        QFETCH(QString, access);
        QFETCH(double, expiresAt);
        QFETCH(QString, userID);
        QFETCH(QString, email);
        const StoredAuthSession session = StoredAuthSession::decode(data);
        QCOMPARE(session.accessToken, access);
        QCOMPARE(session.refreshToken, QStringLiteral("r"));
        QCOMPARE(session.expiresAt, expiresAt);
        QCOMPARE(session.userID.value_or("<none>"), userID);
        QCOMPARE(session.email.value_or("<none>"), email);
    }

    void unusableStoredSessionIsRejected_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::newRow("empty access token")
            << QByteArray(R"({"accessToken":"","access_token":"a","refreshToken":"r"})");
        QTest::newRow("missing refresh token") << QByteArray(R"({"accessToken":"a"})");
        QTest::newRow("not JSON") << QByteArray("accessToken=a");
        QTest::newRow("array") << QByteArray(R"([{"accessToken":"a","refreshToken":"r"}])");
        QTest::newRow("invalid UTF-8")
            << QByteArray("{\"accessToken\":\"\xff\",\"refreshToken\":\"r\"}");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("deeply nested") << QByteArray(100000, '[');
    }
    void unusableStoredSessionIsRejected()
    {
        QFETCH(QByteArray, data);
        QVERIFY(decodingFailure([&] { StoredAuthSession::decode(data); }) > 0);
    }

    void emptyTokenFailsWithTheSessionPayloadText()
    {
        try {
            StoredAuthSession::decode(R"({"accessToken":"a","refreshToken":""})");
            QFAIL("decoded");
        } catch (const AppError& error) {
            QCOMPARE(error.description(), QStringLiteral("Invalid auth session payload"));
        }
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

    void wireRecordsDemandExactTypes_data()
    {
        QTest::addColumn<QByteArray>("record");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("failure");

        const int ok = 0;
        const int missing = DecodingError::keyNotFoundCode;
        const int wrongType = DecodingError::typeMismatchCode;
        const int corrupt = DecodingError::dataCorruptedCode;
        QTest::newRow("start ok")
            << QByteArray("start")
            << QByteArray(
                   R"({"handoff_id":"h","login_url":"https:\/\/x\/","expires_in_seconds":600,"poll_interval_ms":2000,"extra":[1]})")
            << ok;
        QTest::newRow("start, integer as float")
            << QByteArray("start")
            << QByteArray(
                   R"({"handoff_id":"h","login_url":"u","expires_in_seconds":600.0,"poll_interval_ms":2000})")
            << wrongType;
        QTest::newRow("start, integer as string")
            << QByteArray("start")
            << QByteArray(
                   R"({"handoff_id":"h","login_url":"u","expires_in_seconds":600,"poll_interval_ms":"2000"})")
            << wrongType;
        QTest::newRow("start, integer beyond 64 bits")
            << QByteArray("start")
            << QByteArray(
                   R"({"handoff_id":"h","login_url":"u","expires_in_seconds":18446744073709551615,"poll_interval_ms":1})")
            << wrongType;
        QTest::newRow("start, missing id")
            << QByteArray("start")
            << QByteArray(R"({"login_url":"u","expires_in_seconds":1,"poll_interval_ms":1})")
            << missing;
        QTest::newRow("start, HTML") << QByteArray("start") << QByteArray("<html>") << corrupt;
        QTest::newRow("poll ok") << QByteArray("poll")
                                 << QByteArray(R"({"status":"pending","reason":null})") << ok;
        QTest::newRow("poll, code of the wrong type")
            << QByteArray("poll") << QByteArray(R"({"status":"ready","exchange_code":5})")
            << wrongType;
        QTest::newRow("poll, top-level string")
            << QByteArray("poll") << QByteArray(R"("ready")") << wrongType;
        QTest::newRow("exchange ok, user without e-mail")
            << QByteArray("exchange")
            << QByteArray(
                   R"({"access_token":"a","refresh_token":"r","expires_in":0,"user":{"id":"u"}})")
            << ok;
        QTest::newRow("exchange without user")
            << QByteArray("exchange")
            << QByteArray(R"({"access_token":"a","refresh_token":"r","expires_in":3600})")
            << missing;
        QTest::newRow("exchange, user not an object")
            << QByteArray("exchange")
            << QByteArray(R"({"access_token":"a","refresh_token":"r","expires_in":1,"user":"u"})")
            << wrongType;
        QTest::newRow("exchange, empty access token")
            << QByteArray("exchange")
            << QByteArray(R"({"access_token":"","refresh_token":"r","expires_in":1,"user":{}})")
            << corrupt;
        QTest::newRow("refresh ok without user")
            << QByteArray("refresh")
            << QByteArray(R"({"access_token":"a","refresh_token":"r","expires_in":3600})") << ok;
        QTest::newRow("refresh, expiry as float")
            << QByteArray("refresh")
            << QByteArray(R"({"access_token":"a","refresh_token":"r","expires_in":3600.5})")
            << wrongType;
        QTest::newRow("refresh, e-mail of the wrong type")
            << QByteArray("refresh")
            << QByteArray(
                   R"({"access_token":"a","refresh_token":"r","expires_in":1,"user":{"email":1}})")
            << wrongType;
    }
    void wireRecordsDemandExactTypes()
    {
        QFETCH(QByteArray, record);
        QFETCH(QByteArray, body);
        QFETCH(int, failure);
        const int actual = decodingFailure([&] {
            if (record == "start")
                WebLoginStartResponse::decode(body);
            else if (record == "poll")
                WebLoginPollResponse::decode(body);
            else if (record == "exchange")
                WebLoginExchangeResponse::decode(body);
            else
                SupabaseTokenResponse::decode(body);
        });
        QCOMPARE(actual, failure);
    }

    void deviceNoncesAreUnpaddedBase64URL()
    {
        const QString first = AuthService::randomDeviceNonce();
        const QString second = AuthService::randomDeviceNonce();
        QVERIFY(first != second);
        static const QRegularExpression alphabet(QStringLiteral("^[A-Za-z0-9_-]{43}$"));
        QVERIFY2(alphabet.match(first).hasMatch(), qPrintable(first));
        QVERIFY2(alphabet.match(second).hasMatch(), qPrintable(second));
        QCOMPARE(QByteArray::fromBase64(first.toLatin1(), QByteArray::Base64UrlEncoding).size(),
                 32);
    }

    void endpointPathsAreAppendedAsComponents_data()
    {
        QTest::addColumn<QString>("base");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("url");
        QTest::newRow("root") << "http://h:1/"
                              << "auth/handoff/start"
                              << "http://h:1/auth/handoff/start";
        QTest::newRow("no slash") << "http://h"
                                  << "auth/handoff/start"
                                  << "http://h/auth/handoff/start";
        QTest::newRow("base path") << "https://h/api"
                                   << "/auth/handoff/poll/"
                                   << "https://h/api/auth/handoff/poll";
        QTest::newRow("base path with slash") << "https://h/api/"
                                              << "auth/x"
                                              << "https://h/api/auth/x";
        QTest::newRow("encoded base path") << "https://h/a%20b/"
                                           << "x"
                                           << "https://h/a%20b/x";
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
