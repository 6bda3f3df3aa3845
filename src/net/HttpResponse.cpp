#include "net/HttpResponse.h"

namespace velto {

HttpResponse::HttpResponse(int statusCode, QList<Header> headers, QByteArray body,
                           bool bodyTruncated)
    : m_statusCode(statusCode), m_headers(std::move(headers)), m_body(std::move(body)),
      m_bodyTruncated(bodyTruncated)
{
}

std::optional<QByteArray> HttpResponse::header(QByteArrayView name) const
{
    for (const Header& header : m_headers) {
        if (name.compare(header.first, Qt::CaseInsensitive) == 0)
            return header.second;
    }
    return std::nullopt;
}

} // namespace velto
