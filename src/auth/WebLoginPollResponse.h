#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace velto {

// The backend's answer to a handoff poll.
struct WebLoginPollResponse
{
    QString status;
    std::optional<QString> exchangeCode;
    std::optional<QString> reason;

    // Throws DecodingError when "status" is missing or a member has the wrong JSON type.
    static WebLoginPollResponse decode(const QByteArray& body);
};

} // namespace velto
