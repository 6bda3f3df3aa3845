#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace velto {

// The backend's answer to a handoff start.
struct WebLoginStartResponse
{
    QString handoffID;
    QString loginURL;
    qint64 expiresInSeconds = 0;
    qint64 pollIntervalMs = 0;
    // Letters, digits and dashes only, at most 16 of them; anything else is dropped.
    std::optional<QString> userCode;

    // Throws DecodingError when a member is missing or of the wrong JSON type.
    static WebLoginStartResponse decode(const QByteArray& body);
};

} // namespace velto
