#pragma once

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

    bool operator==(const WebLoginStart&) const = default;
};

} // namespace velto
