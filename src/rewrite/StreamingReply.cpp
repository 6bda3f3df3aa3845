#include "rewrite/StreamingReply.h"

#include "net/HttpClient.h"
#include "net/HttpClientError.h"

#include <QNetworkReply>
#include <QTimer>

namespace velto {

StreamingReply::StreamingReply(QNetworkReply* reply, std::chrono::milliseconds idleTimeout)
    : m_reply(reply), m_idle(new QTimer(this))
{
    m_idle->setSingleShot(true);
    m_idle->setInterval(idleTimeout);
    connect(m_idle, &QTimer::timeout, this, [this] {
        m_timedOut = true;
        wake();
        if (m_reply)
            QMetaObject::invokeMethod(m_reply, &QNetworkReply::abort, Qt::QueuedConnection);
    });
    auto progress = [this] {
        m_idle->start();
        wake();
    };
    connect(reply, &QNetworkReply::metaDataChanged, this, [this, progress] {
        m_headersIn = true;
        progress();
    });
    connect(reply, &QNetworkReply::readyRead, this, progress);
    connect(reply, &QNetworkReply::uploadProgress, this, [this] { m_idle->start(); });
    connect(reply, &QNetworkReply::finished, this, [this] {
        m_idle->stop();
        wake();
    });
    m_idle->start();
}

StreamingReply::~StreamingReply()
{
    if (m_reply) {
        m_reply->disconnect(this);
        if (!m_reply->isFinished())
            m_reply->abort();
        m_reply->deleteLater();
    }
}

void StreamingReply::wake()
{
    if (!m_waiter || m_wakePosted)
        return;
    m_wakePosted = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_wakePosted = false;
            if (std::coroutine_handle<> waiter = std::exchange(m_waiter, {}))
                waiter.resume();
        },
        Qt::QueuedConnection);
}

void StreamingReply::throwIfFailed() const
{
    if (m_timedOut)
        throw HttpClientError::timedOut();
    const QNetworkReply::NetworkError error = m_reply->error();
    if (error == QNetworkReply::NoError)
        return;
    const bool hasStatus = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid();
    if (!hasStatus || !HttpClient::isHTTPLevelError(error))
        throw HttpClient::transportError(error, m_reply->errorString());
}

QCoro::Task<void> StreamingReply::waitForHeaders()
{
    while (!m_headersIn && !m_reply->isFinished() && !m_timedOut)
        co_await waitForChange();
    if (!m_headersIn || m_reply->error() != QNetworkReply::NoError)
        throwIfFailed();
}

int StreamingReply::statusCode() const
{
    const QVariant status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    return status.isValid() ? status.toInt() : 0;
}

std::optional<QByteArray> StreamingReply::header(const QByteArray& name) const
{
    for (const auto& [key, value] : m_reply->rawHeaderPairs()) {
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    }
    return std::nullopt;
}

QCoro::Task<std::optional<QByteArray>> StreamingReply::readChunk()
{
    for (;;) {
        if (m_reply->bytesAvailable() > 0)
            co_return m_reply->readAll();
        if (m_reply->isFinished() || m_timedOut) {
            throwIfFailed();
            co_return std::nullopt;
        }
        co_await waitForChange();
    }
}

void StreamingReply::abort()
{
    if (m_reply && !m_reply->isFinished())
        m_reply->abort();
}

QCoro::Task<QByteArray> StreamingReply::readAll(qsizetype maxBytes)
{
    QByteArray body;
    while (std::optional<QByteArray> chunk = co_await readChunk()) {
        body += *chunk;
        if (body.size() >= maxBytes) {
            body.truncate(maxBytes);
            m_reply->disconnect(this);
            m_reply->abort();
            break;
        }
    }
    co_return body;
}

} // namespace velto
