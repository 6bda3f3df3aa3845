#include "auth/ServerErrorInterpreter.h"

#include "model/StrictUtf8.h"

#include "auth/AuthServiceError.h"
#include "net/JsonFields.h"

#include <QCoreApplication>
#include <QStringDecoder>
#include <QTextBoundaryFinder>

namespace velto {

using nlohmann::json;

namespace {

std::optional<QString> trimmedString(const json& object, const char* key)
{
    std::optional<QString> value = JsonFields::stringIfPresent(object, key);
    if (value)
        *value = value->trimmed();
    return value;
}

// The first non-empty top-level text: "detail", the "msg" of detail's first object, or
// "error_description".
std::optional<QString> topLevelText(const json& object)
{
    if (std::optional<QString> detail = trimmedString(object, "detail");
        detail && !detail->isEmpty())
        return detail;
    const auto detail = object.find("detail");
    if (detail != object.end() && detail->is_array() && !detail->empty()) {
        if (std::optional<QString> msg = trimmedString(detail->front(), "msg");
            msg && !msg->isEmpty())
            return msg;
    }
    if (std::optional<QString> description = trimmedString(object, "error_description");
        description && !description->isEmpty())
        return description;
    return std::nullopt;
}

} // namespace

QString ServerErrorInterpreter::compactMessage(const QString& text)
{
    // Server text reaches views and the terminal: apart from line breaks and tabs, no control
    // character may come along to move the cursor, clear the screen or retitle the window.
    QString printable;
    printable.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        const bool control = (u < 0x20 && u != u'\n' && u != u'\t') || (u >= 0x7f && u <= 0x9f);
        if (!control)
            printable += c;
    }
    const QString trimmed = printable.trimmed();
    if (trimmed.size() <= maxMessageLength)
        return trimmed; // never more clusters than code units
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, trimmed);
    qsizetype clusters = 0;
    qsizetype cut = 0;
    while (clusters < maxMessageLength) {
        const qsizetype next = finder.toNextBoundary();
        if (next < 0)
            return trimmed;
        cut = next;
        ++clusters;
    }
    if (cut >= trimmed.size())
        return trimmed;
    return trimmed.left(cut) + QStringLiteral("...");
}

std::optional<ParsedServerError>
ServerErrorInterpreter::parseServerError(const QByteArray& body, const HttpResponse& response)
{
    std::optional<QString> headerRequestID;
    if (const std::optional<QByteArray> value = response.header("X-Request-Id"))
        headerRequestID = QString::fromUtf8(*value);
    const int status = response.statusCode();
    const bool defaultRetryable = status == 429 || (status >= 500 && status <= 599);

    const std::optional<json> document = JsonFields::parse(body);
    if (document && document->is_object()) {
        const json& object = *document;
        const auto error = object.find("error");
        if (error != object.end() && error->is_object()) {
            const std::optional<QString> message = trimmedString(*error, "message");
            if (message && !message->isEmpty()) {
                ParsedServerError parsed;
                parsed.code = trimmedString(*error, "code");
                parsed.message = compactMessage(*message);
                const std::optional<QString> requestID = trimmedString(*error, "request_id");
                parsed.requestID = requestID && !requestID->isEmpty() ? requestID : headerRequestID;
                parsed.retryable =
                    JsonFields::booleanIfPresent(*error, "retryable").value_or(defaultRetryable);
                return parsed;
            }
        }
        if (std::optional<QString> text = topLevelText(object))
            return ParsedServerError{std::nullopt, compactMessage(*text), headerRequestID,
                                     defaultRetryable};
    }

    const QString text = strictUtf8(body).value_or(QString()).trimmed();
    if (!text.isEmpty()) {
        const QString lower = text.toLower();
        if (lower.contains(u"<!doctype html") || lower.contains(u"<html")) {
            // A proxy's error page is markup, not a message.
            return ParsedServerError{
                std::nullopt,
                QCoreApplication::translate("ServerErrorInterpreter",
                                            "Sign-in failed due to an upstream server response."),
                headerRequestID, defaultRetryable};
        }
        return ParsedServerError{std::nullopt, compactMessage(text), headerRequestID,
                                 defaultRetryable};
    }
    if (headerRequestID && !headerRequestID->isEmpty())
        return ParsedServerError{
            std::nullopt, QCoreApplication::translate("ServerErrorInterpreter", "Sign-in failed."),
            headerRequestID, defaultRetryable};
    return std::nullopt;
}

AppError ServerErrorInterpreter::authError(const QByteArray& body, const HttpResponse& response,
                                           const AppError& fallback)
{
    const std::optional<ParsedServerError> parsed = parseServerError(body, response);
    if (!parsed) {
        if (response.statusCode() == 429)
            return AuthServiceError::webLoginFailed(QCoreApplication::translate(
                "ServerErrorInterpreter",
                "Too many auth requests. Please retry in a few seconds."));
        return fallback;
    }
    // The server's message as it came, then our hints, each a sentence of its own.
    QStringList parts{parsed->message};
    if (parsed->retryable && !parsed->message.toLower().contains(u"retry"))
        parts.append(QCoreApplication::translate("ServerErrorInterpreter", "Please retry."));
    if (parsed->code && !parsed->code->isEmpty())
        //: %1 is the error code the server gave, such as rate_limited
        parts.append(
            QCoreApplication::translate("ServerErrorInterpreter", "Code: %1").arg(*parsed->code));
    if (parsed->requestID && !parsed->requestID->isEmpty())
        //: %1 is the server's identifier of the failed request, for a support question
        parts.append(QCoreApplication::translate("ServerErrorInterpreter", "Request ID: %1")
                         .arg(*parsed->requestID));
    return AuthServiceError::webLoginFailed(parts.join(QLatin1Char(' ')));
}

QString ServerErrorInterpreter::humanReadableHandoffFailure(const QString& reason)
{
    const QString word = reason.trimmed().toLower();
    if (word == u"expired" || word == u"invalid_or_expired_handoff")
        return QCoreApplication::translate(
            "ServerErrorInterpreter", "This sign-in session expired. Please start login again.");
    if (word == u"unauthorized_handoff")
        return QCoreApplication::translate("ServerErrorInterpreter",
                                           "This sign-in session is not valid for this device.");
    if (word == u"already_used" || word == u"invalid_handoff_exchange")
        return QCoreApplication::translate("ServerErrorInterpreter",
                                           "This sign-in session was already used.");
    if (word == u"cancelled" || word == u"access_denied")
        return QCoreApplication::translate("ServerErrorInterpreter", "Sign-in was canceled.");
    if (word == u"auth_handoff_store_unavailable" || word == u"oauth_provider_unavailable")
        return QCoreApplication::translate(
            "ServerErrorInterpreter", "Sign-in service is temporarily unavailable. Please retry.");
    // Shown after "Sign-in failed:", so these do not say it again.
    if (word.isEmpty())
        return QCoreApplication::translate("ServerErrorInterpreter",
                                           "No reason was given. Please retry.");
    //: %1 is the reason word the sign-in server gave, such as server_error
    return QCoreApplication::translate("ServerErrorInterpreter",
                                       "The sign-in server said \u201c%1\u201d. Please retry.")
        .arg(word);
}

} // namespace velto
