#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <optional>

namespace velto {

// A complete answer as the client read it. statusCode is 0 when the answer was not HTTP.
class HttpResponse
{
public:
    using Header = QPair<QByteArray, QByteArray>;

    HttpResponse() = default;
    HttpResponse(int statusCode, QList<Header> headers, QByteArray body = {},
                 bool bodyTruncated = false);

    int statusCode() const { return m_statusCode; }
    bool isHTTP() const { return m_statusCode > 0; }
    bool isSuccess() const { return m_statusCode >= 200 && m_statusCode <= 299; }
    const QList<Header>& headers() const { return m_headers; }
    const QByteArray& body() const { return m_body; }

    // True when the body was longer than the caller's limit; body() then holds its first part.
    // A truncated body must never be taken as a complete answer.
    bool bodyTruncated() const { return m_bodyTruncated; }

    // Case-insensitive; the value as sent, or nothing when the header is absent.
    std::optional<QByteArray> header(QByteArrayView name) const;

private:
    int m_statusCode = 0;
    QList<Header> m_headers;
    QByteArray m_body;
    bool m_bodyTruncated = false;
};

} // namespace velto
