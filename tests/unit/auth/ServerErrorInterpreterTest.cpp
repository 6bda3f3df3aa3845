#include "auth/ServerErrorInterpreter.h"
#include "auth/AuthServiceError.h"
#include "support/TestRegistry.h"

#include <QTest>

using namespace velto;

namespace {

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

} // namespace

class ServerErrorInterpreterTest : public QObject
{
    Q_OBJECT

private slots:
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
        QTest::newRow("blank") << "  " << QString("Sign-in failed. Please retry.");
        QTest::newRow("unlisted") << " Weird_Reason " << QString("Sign-in failed: weird_reason");
    }
    void handoffFailureWordsBecomeSentences()
    {
        QFETCH(QString, reason);
        QFETCH(QString, sentence);
        QCOMPARE(ServerErrorInterpreter::humanReadableHandoffFailure(reason), sentence);
    }
};

VELTO_REGISTER_TEST(ServerErrorInterpreterTest);
#include "ServerErrorInterpreterTest.moc"
