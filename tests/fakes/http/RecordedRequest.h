#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <optional>

namespace velto {

// A request as the fake backend received it.
struct RecordedRequest
{
    QByteArray method;
    // Percent-decoded path, without the query.
    QString path;
    // Percent-decoded query items in the order sent; "+" is left as it is.
    QList<QPair<QString, QString>> query;
    // Header names lower-cased, in the order the server parsed them.
    QList<QPair<QByteArray, QByteArray>> headers;
    QByteArray body;

    std::optional<QByteArray> header(QByteArrayView name) const
    {
        const QByteArray lower = name.toByteArray().toLower();
        for (const auto& [key, value] : headers) {
            if (key == lower)
                return value;
        }
        return std::nullopt;
    }
    QList<QByteArray> headerNames() const
    {
        QList<QByteArray> names;
        for (const auto& header : headers)
            names.append(header.first);
        return names;
    }
};

} // namespace velto
