#pragma once

#include "model/AppError.h"
#include "net/HttpResponse.h"

#include <QByteArray>
#include <QCoro/QCoroTask>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <chrono>
#include <memory>

class QNetworkAccessManager;

namespace velto {

struct HttpRequestOptions
{
    // Idle time-out: the request fails when nothing moves either way for this long.
    std::chrono::milliseconds timeout = std::chrono::seconds(60);
    // Bytes of body kept; the transfer stops there and the answer is marked truncated.
    qint64 maxBodyBytes = 8 * 1024 * 1024;
};

// Sends one request on the main thread and reads the complete answer. Transport failures are
// thrown as HttpClientError; an HTTP error status is an answer, not a failure.
class HttpClient
{
public:
    using Options = HttpRequestOptions;

    // Uses the given manager (not owned), or one of its own.
    explicit HttpClient(QNetworkAccessManager* manager = nullptr);
    ~HttpClient();
    HttpClient(const HttpClient&) = delete;
    HttpClient& operator=(const HttpClient&) = delete;

    QNetworkAccessManager& manager() const { return *m_manager; }

    // Sends nothing but what the request carries: no headers are added here. A GET without a
    // body goes out without one. Only http and https URLs are accepted.
    QCoro::Task<HttpResponse> send(QNetworkRequest request, QByteArray method, QByteArray body = {},
                                   Options options = {});

    // The error a failed reply stands for, worded for the error presenter.
    static AppError transportError(QNetworkReply::NetworkError error, const QString& description);
    // Whether a reply that carries an HTTP status and this error is still a usable answer.
    static bool isHTTPLevelError(QNetworkReply::NetworkError error);

private:
    std::unique_ptr<QNetworkAccessManager> m_ownManager;
    QNetworkAccessManager* m_manager = nullptr;
};

} // namespace velto
