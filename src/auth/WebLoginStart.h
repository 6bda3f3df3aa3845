#pragma once

#include <optional>

#include <QString>
#include <QUrl>

namespace velto {

// A handoff the backend has started: the page to open and how to poll it.
struct WebLoginStart
{
    QString handoffID;
    QString deviceNonce;
    QUrl loginURL;
    // Delay between polls; at least 500 ms.
    qint64 pollIntervalMs = 500;
    // Deadline, seconds since 1970; at least 60 s after the start answer arrived.
    double expiresAt = 0;
    // The code the sign-in page shows too ("ABCD-7K3M"), when the backend gives one.
    std::optional<QString> userCode;

    bool operator==(const WebLoginStart&) const = default;
};

} // namespace velto
