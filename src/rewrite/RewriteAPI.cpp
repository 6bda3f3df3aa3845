#include "rewrite/RewriteAPI.h"

#include "auth/AuthService.h"
#include "model/AppModel.h"
#include "model/ClientLogger.h"
#include "model/StrictUtf8.h"
#include "net/HttpClient.h"
#include "platform/CancellationToken.h"
#include "rewrite/RewriteClientError.h"
#include "rewrite/SSEParser.h"
#include "rewrite/StreamingReply.h"

#include <QElapsedTimer>
#include <QNetworkAccessManager>
#include <QUuid>
#include <nlohmann/json.hpp>

namespace velto {

namespace {

// A failed answer: its body, as received, is the error's text.
AppError serverErrorFrom(int status, const QByteArray& body)
{
    const std::optional<QString> text = strictUtf8(body);
    if (!text || text->isEmpty())
        return RewriteClientError::invalidResponse();
    return RewriteClientError::server(status, *text);
}

} // namespace

RewriteAPI::RewriteAPI(std::shared_ptr<HttpClient> http) : m_http(std::move(http)) {}

QByteArray RewriteAPI::newRequestID()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper().toLatin1();
}

QString RewriteAPI::resolvedLanguage(const QString& requestedLanguage, const AppModel& model)
{
    const QString language = requestedLanguage.trimmed().toLower();
    if (language.isEmpty() || language == u"auto")
        return model.selectedLanguageID();
    return language;
}

QCoro::Task<RewriteAPI::PreparedRequest> RewriteAPI::makeRewriteRequest(QString path, QString text,
                                                                        AppModel& model,
                                                                        AuthService& authService)
{
    // Everything read from the model is read here, before the first suspension.
    const RuntimeServer server = model.resolveRuntimeServer();
    const nlohmann::json payload = {
        {"text", text.toStdString()},
        {"language", resolvedLanguage(QStringLiteral("auto"), model).toStdString()},
        {"tone", model.selectedToneID().toStdString()},
    };

    QNetworkRequest request(AuthService::endpointURL(server.baseURL, path));
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json"));
    request.setRawHeader("X-Request-Id", newRequestID());
    if (server.requiresAuth) {
        const QString authorization = co_await authService.authorizationHeader(model);
        request.setRawHeader("Authorization", authorization.toUtf8());
    }
    co_return PreparedRequest{request, QByteArray::fromStdString(payload.dump())};
}

QCoro::Task<QString> RewriteAPI::rewrite(QString text, AppModel& model, AuthService& authService)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        throw RewriteClientError::emptyText();
    const PreparedRequest prepared =
        co_await makeRewriteRequest(QStringLiteral("rewrite"), trimmed, model, authService);
    const HttpResponse response = co_await m_http->send(prepared.request, "POST", prepared.body,
                                                        {rewriteTimeout, maxAnswerBytes});
    if (!response.isHTTP())
        throw RewriteClientError::invalidResponse();
    if (!response.isSuccess())
        throw serverErrorFrom(response.statusCode(), response.body());
    if (response.bodyTruncated())
        throw RewriteClientError::invalidResponse();
    const std::optional<QString> body = strictUtf8(response.body());
    if (!body)
        throw RewriteClientError::invalidResponse();
    const QString result = body->trimmed();
    if (result.isEmpty())
        throw RewriteClientError::invalidResponse();
    co_return result;
}

QCoro::Task<RewriteConfigResponse> RewriteAPI::fetchConfig(AppModel& model,
                                                           AuthService& authService)
{
    const RuntimeServer server = model.resolveRuntimeServer();
    QNetworkRequest request(AuthService::endpointURL(server.baseURL, QStringLiteral("config")));
    request.setRawHeader("X-Request-Id", newRequestID());
    if (server.requiresAuth) {
        const QString authorization = co_await authService.authorizationHeader(model);
        request.setRawHeader("Authorization", authorization.toUtf8());
    }
    const HttpResponse response =
        co_await m_http->send(request, "GET", {}, {configTimeout, maxSmallAnswerBytes});
    if (!response.isHTTP())
        throw RewriteClientError::invalidResponse();
    if (!response.isSuccess())
        throw serverErrorFrom(response.statusCode(), response.body());
    if (response.bodyTruncated())
        throw RewriteClientError::invalidResponse();
    co_return RewriteConfigResponse::decode(response.body());
}

QCoro::Task<std::chrono::milliseconds> RewriteAPI::probeService(const AppModel& model)
{
    QNetworkRequest request(
        AuthService::endpointURL(model.resolveRuntimeServer().baseURL, QStringLiteral("config")));
    request.setRawHeader("X-Request-Id", newRequestID());
    QElapsedTimer timer;
    timer.start();
    const HttpResponse response =
        co_await m_http->send(request, "GET", {}, {probeTimeout, maxSmallAnswerBytes});
    if (!response.isHTTP())
        throw RewriteClientError::invalidResponse();
    co_return std::chrono::milliseconds(timer.elapsed());
}

QCoro::Task<void> RewriteAPI::refreshServerConfig(AppModel& model, AuthService& authService)
{
    const RuntimeServer server = model.resolveRuntimeServer();
    if (server.requiresAuth) {
        const AuthState state = co_await authService.syncAuthState(model);
        if (!state.isSignedIn()) {
            model.resetToFallbackCatalog();
            co_return;
        }
    }
    QString failure;
    try {
        const RewriteConfigResponse config = co_await fetchConfig(model, authService);
        model.applyServerConfig(config.tones, config.languages, config.defaultTone,
                                config.defaultLanguage);
        co_return;
    } catch (const AppError& error) {
        failure = error.description();
    }
    model.resetToFallbackCatalog();
    ClientLogger::warning(u"failed to fetch /config: ", failure);
}

QCoro::AsyncGenerator<QString> RewriteAPI::rewriteStream(QString text, AppModel& model,
                                                         AuthService& authService,
                                                         std::shared_ptr<CancellationToken> cancel)
{
    const auto cancelled = [&cancel] { return cancel && cancel->isCancelled(); };
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        throw RewriteClientError::emptyText();
    PreparedRequest prepared =
        co_await makeRewriteRequest(QStringLiteral("rewrite/stream"), trimmed, model, authService);
    if (cancelled())
        co_return;
    // An unencoded body, so no compressing proxy or server holds the pieces back.
    prepared.request.setRawHeader("Accept-Encoding", "identity");
    StreamingReply reply(m_http->manager().post(prepared.request, prepared.body), rewriteTimeout);
    if (cancel)
        QObject::connect(cancel.get(), &CancellationToken::cancelled, &reply,
                         [&reply] { reply.abort(); });
    try {
        co_await reply.waitForHeaders();
    } catch (const AppError&) {
        if (!cancelled())
            throw;
    }
    if (cancelled())
        co_return;

    const int status = reply.statusCode();
    if (status <= 0)
        throw RewriteClientError::invalidResponse();
    if (status < 200 || status > 299) {
        // Awaited on its own line: g++ 12 mishandles temporaries around a co_await inside a
        // throw expression.
        const QByteArray body = co_await reply.readAll(maxSmallAnswerBytes);
        throw serverErrorFrom(status, body);
    }
    if (!reply.header("Content-Type")
             .value_or(QByteArray())
             .toLower()
             .contains("text/event-stream"))
        throw RewriteClientError::invalidResponse();

    SSEParser parser;
    bool ended = false;
    // Returns whether the event ends the stream; throws for an "error" event.
    auto pieceOf = [&](const SSEEvent& event) -> std::optional<QString> {
        if (event.event == u"error")
            throw RewriteClientError::server(-1, event.data);
        QString piece = event.data;
        piece.remove(u'\r');
        if (piece.trimmed() == u"[DONE]") {
            ended = true;
            return std::nullopt;
        }
        return piece;
    };

    while (!ended) {
        std::optional<QByteArray> chunk;
        try {
            chunk = co_await reply.readChunk();
        } catch (const AppError&) {
            if (!cancelled())
                throw;
        }
        if (cancelled())
            co_return;
        const QList<SSEEvent> events = chunk ? parser.append(*chunk) : parser.finish();
        for (const SSEEvent& event : events) {
            if (std::optional<QString> piece = pieceOf(event))
                co_yield *piece;
            if (ended)
                break;
        }
        if (!chunk)
            break;
        // A peer that never ends its event would otherwise grow the buffer without bound.
        if (!ended && parser.blockTooLarge())
            throw RewriteClientError::invalidResponse();
    }
    if (!ended)
        throw RewriteClientError::streamEndedWithoutDone();
}

} // namespace velto
