#pragma once

#include <QString>

namespace velto {

// The browser handoff in progress, to tell the backend about when it is abandoned.
struct PendingWebLogin
{
    QString handoffID;
    QString deviceNonce;
    bool operator==(const PendingWebLogin&) const = default;
};

} // namespace velto
