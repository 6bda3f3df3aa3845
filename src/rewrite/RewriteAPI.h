#pragma once

#include "rewrite/RewriteConfigResponse.h"

#include <QByteArray>
#include <QCoro/QCoroAsyncGenerator>
#include <QCoro/QCoroTask>
#include <QNetworkRequest>
#include <chrono>
#include <memory>

namespace velto {

class AppModel;
class AuthService;
class CancellationToken;
class HttpClient;

// The client of the rewrite service: the tone and language catalogue, the one-shot rewrite and
// its streamed form. Holds nothing but its HTTP client; every call stands on its own.
class RewriteAPI
{
public:
    static constexpr std::chrono::seconds rewriteTimeout{60};
    static constexpr std::chrono::seconds configTimeout{20};
    // A rewritten text is at most a few pages; a longer answer is not one.
    static constexpr qint64 maxAnswerBytes = 8 * 1024 * 1024;
    // Error bodies and the catalogue are small; only this much of them is read.
    static constexpr qint64 maxSmallAnswerBytes = 1024 * 1024;

    explicit RewriteAPI(std::shared_ptr<HttpClient> http);

    static constexpr std::chrono::seconds probeTimeout{5};

    // How long the service took to answer a catalogue request sent without authorization: any
    // HTTP answer counts, a refusal too, and no token is used or refreshed. Throws the
    // transport error when nothing answers.
    QCoro::Task<std::chrono::milliseconds> probeService(const AppModel& model);

    // Replaces the model's catalogue with the service's, or with the built-in one when signed
    // out or on any failure (logged as a warning). Never throws.
    QCoro::Task<void> refreshServerConfig(AppModel& model, AuthService& authService);

    // The whole rewritten text, trimmed. Throws RewriteClientError, the server error,
    // the authorization's errors or the transport error.
    QCoro::Task<QString> rewrite(QString text, AppModel& model, AuthService& authService);

    // The rewritten text piece by piece as the service sends it; ends at the service's
    // "[DONE]". Fails like rewrite(), with "error" events as server errors (code -1), with
    // streamEndedWithoutDone when the answer ends early, and with invalidResponse when the
    // service never ends an event. Cancelling `cancel` drops the request under way and ends the
    // stream quietly, without an error.
    QCoro::AsyncGenerator<QString> rewriteStream(QString text, AppModel& model,
                                                 AuthService& authService,
                                                 std::shared_ptr<CancellationToken> cancel = {});

    struct PreparedRequest
    {
        QNetworkRequest request;
        QByteArray body;
    };
    // A "POST" of the text with the model's tone and language, authorized.
    QCoro::Task<PreparedRequest> makeRewriteRequest(QString path, QString text, AppModel& model,
                                                    AuthService& authService);
    QCoro::Task<RewriteConfigResponse> fetchConfig(AppModel& model, AuthService& authService);
    static QString resolvedLanguage(const QString& requestedLanguage, const AppModel& model);
    // "X-Request-Id": a random UUID, upper-case, 36 characters.
    static QByteArray newRequestID();

private:
    std::shared_ptr<HttpClient> m_http;
};

} // namespace velto
