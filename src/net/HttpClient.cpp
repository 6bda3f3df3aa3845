#include "net/HttpClient.h"

#include "net/HttpClientError.h"

#include <QCoro/QCoroNetworkReply>
#include <QNetworkAccessManager>
#include <QTimer>

namespace velto {

namespace {

struct DeleteLater
{
    void operator()(QObject* object) const { object->deleteLater(); }
};

} // namespace

HttpClient::HttpClient(QNetworkAccessManager* manager)
{
    if (!manager) {
        m_ownManager = std::make_unique<QNetworkAccessManager>();
        manager = m_ownManager.get();
    }
    m_manager = manager;
}

HttpClient::~HttpClient() = default;

bool HttpClient::isHTTPLevelError(QNetworkReply::NetworkError error)
{
    const int code = int(error);
    // Content (2xx) and server (4xx) ranges are Qt's names for HTTP error statuses; the
    // status is known and the body is complete.
    return error == QNetworkReply::NoError || (code >= 201 && code <= 299) ||
           (code >= 401 && code <= 499) || error == QNetworkReply::ProtocolInvalidOperationError;
}

AppError HttpClient::transportError(QNetworkReply::NetworkError error, const QString& description)
{
    switch (error) {
    case QNetworkReply::TimeoutError:
    case QNetworkReply::ProxyTimeoutError:
        return HttpClientError::timedOut();
    case QNetworkReply::ConnectionRefusedError:
    case QNetworkReply::RemoteHostClosedError:
    case QNetworkReply::HostNotFoundError:
    case QNetworkReply::TemporaryNetworkFailureError:
    case QNetworkReply::NetworkSessionFailedError:
    case QNetworkReply::UnknownNetworkError:
    case QNetworkReply::ProxyConnectionRefusedError:
    case QNetworkReply::ProxyConnectionClosedError:
    case QNetworkReply::ProxyNotFoundError:
        return HttpClientError::cannotReachServer(description);
    default:
        return HttpClientError::transport(description);
    }
}

QCoro::Task<HttpResponse> HttpClient::send(QNetworkRequest request, QByteArray method,
                                           QByteArray body, Options options)
{
    const QString scheme = request.url().scheme().toLower();
    if (!request.url().isValid() || (scheme != u"http" && scheme != u"https"))
        throw HttpClientError::invalidURL();

    std::unique_ptr<QNetworkReply, DeleteLater> reply;
    if (method == "GET" && body.isEmpty())
        reply.reset(m_manager->get(request));
    else if (method == "POST")
        reply.reset(m_manager->post(request, body));
    else
        reply.reset(m_manager->sendCustomRequest(request, method, body));

    QByteArray received;
    bool truncated = false;
    bool timedOut = false;
    const qint64 limit = std::max<qint64>(0, options.maxBodyBytes);
    QNetworkReply* r = reply.get();

    // Aborts go through the event loop: abort() finishes the reply at once, and resuming this
    // coroutine from inside one of its own signal handlers would tear down the handler's state.
    auto abortLater = [r] {
        QMetaObject::invokeMethod(r, &QNetworkReply::abort, Qt::QueuedConnection);
    };
    auto drain = [&] {
        if (truncated)
            return;
        // Never ask for more than is there: read() sizes its buffer by the request.
        const QByteArray chunk =
            r->read(std::min(r->bytesAvailable(), limit - received.size() + 1));
        received += chunk;
        if (received.size() > limit) {
            received.truncate(limit);
            truncated = true;
            abortLater();
        }
    };

    QTimer idle;
    idle.setSingleShot(true);
    idle.setInterval(options.timeout);
    // Declared last so it goes first: every connection below ends before the state it uses.
    QObject context;
    QObject::connect(&idle, &QTimer::timeout, &context, [&] {
        timedOut = true;
        abortLater();
    });
    auto touch = [&idle] { idle.start(); };
    QObject::connect(r, &QNetworkReply::readyRead, &context, [&] {
        touch();
        while (!truncated && r->bytesAvailable() > 0)
            drain();
    });
    QObject::connect(r, &QNetworkReply::uploadProgress, &context, touch);
    QObject::connect(r, &QNetworkReply::downloadProgress, &context, touch);
    QObject::connect(r, &QNetworkReply::metaDataChanged, &context, touch);
    idle.start();

    co_await r;
    idle.stop();
    while (!truncated && r->bytesAvailable() > 0)
        drain();

    if (timedOut && !truncated)
        throw HttpClientError::timedOut();
    const QVariant status = r->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    const QNetworkReply::NetworkError error = r->error();
    const bool stoppedByLimit = truncated && error == QNetworkReply::OperationCanceledError;
    if (error != QNetworkReply::NoError && !stoppedByLimit &&
        (!status.isValid() || !isHTTPLevelError(error)))
        throw transportError(error, r->errorString());

    QList<HttpResponse::Header> headers;
    for (const auto& pair : r->rawHeaderPairs())
        headers.append({pair.first, pair.second});
    co_return HttpResponse(status.isValid() ? status.toInt() : 0, std::move(headers),
                           std::move(received), truncated);
}

} // namespace velto
