#include "rewrite/ErrorKinds.h"
#include "auth/AuthServiceError.h"
#include "auth/KeychainError.h"
#include "cli/CliApp.h"
#include "model/PresentableError.h"
#include "net/DecodingError.h"
#include "net/HttpClientError.h"
#include "rewrite/RewriteClientError.h"
#include "support/TestRegistry.h"

#include <QTest>

using namespace velto;

namespace {

struct KindRow
{
    AppError error{QString(), 0, QString()};
    AppErrorKind kind = AppErrorKind::other;
    int exitStatus = CliApp::ok;
    QString noticeTitle; // what a failed rewrite shows
};

} // namespace

Q_DECLARE_METATYPE(KindRow)

// Errors are sorted by their domain and code: the notice a failed rewrite shows and the exit
// status of velto-cli follow the same kind, whatever the error's sentence says.
class ErrorKindsTest : public QObject
{
    Q_OBJECT

private slots:
    void eachErrorHasTheKindOfItsDomainAndCode_data()
    {
        QTest::addColumn<KindRow>("row");
        const QString network = QStringLiteral("Network issue");
        const QString account = QStringLiteral("Account required");
        const QString fallback = QStringLiteral("Rewrite failed");
        auto add = [](const char* name, KindRow row) { QTest::newRow(name) << row; };
        add("time-out",
            {HttpClientError::timedOut(), AppErrorKind::network, CliApp::network, network});
        add("unreachable", {HttpClientError::cannotReachServer("Connection refused"),
                            AppErrorKind::network, CliApp::network, network});
        add("other transport failure", {HttpClientError::transport("SSL handshake failed"),
                                        AppErrorKind::network, CliApp::network, network});
        add("malformed address",
            {HttpClientError::invalidURL(), AppErrorKind::other, CliApp::failed, fallback});
        add("no session", {AuthServiceError::notSignedIn(), AppErrorKind::session,
                           CliApp::signInNeeded, account});
        add("service refuses the token",
            {RewriteClientError::server(401, R"({"error":{"code":"unauthorized"}})"),
             AppErrorKind::session, CliApp::signInNeeded, account});
        add("invalid response", {RewriteClientError::invalidResponse(),
                                 AppErrorKind::unexpectedResponse, CliApp::failed, fallback});
        add("stream cut short", {RewriteClientError::streamEndedWithoutDone(),
                                 AppErrorKind::unexpectedResponse, CliApp::failed, fallback});
        // Sentences that merely sound like another kind keep their own.
        add("sign-in deadline",
            {AuthServiceError::webLoginTimedOut(), AppErrorKind::other, CliApp::failed, fallback});
        add("server text about the network",
            {RewriteClientError::server(503, "network maintenance, token service down"),
             AppErrorKind::other, CliApp::failed, fallback});
        add("forbidden", {RewriteClientError::server(403, "Not authorized for this tone"),
                          AppErrorKind::other, CliApp::failed, fallback});
        add("stream error event", {RewriteClientError::server(-1, "Request timed out upstream"),
                                   AppErrorKind::other, CliApp::failed, fallback});
        add("refresh refused", {AuthServiceError::tokenExchangeFailed(), AppErrorKind::other,
                                CliApp::failed, fallback});
        add("keyring silent",
            {KeychainError::noAnswer(), AppErrorKind::other, CliApp::failed, fallback});
        add("undecodable answer",
            {DecodingError::notJSON(), AppErrorKind::other, CliApp::failed, fallback});
    }

    void eachErrorHasTheKindOfItsDomainAndCode()
    {
        QFETCH(KindRow, row);
        QCOMPARE(ErrorKinds::of(row.error), row.kind);
        QCOMPARE(CliApp::exitStatusFor(row.error), row.exitStatus);
        const PresentableError shown = PresentableError::from(
            ErrorKinds::of(row.error), row.error.description(), "Rewrite failed");
        QCOMPARE(shown.title, row.noticeTitle);
    }
};

VELTO_REGISTER_TEST(ErrorKindsTest);
#include "ErrorKindsTest.moc"
