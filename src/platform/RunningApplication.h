#pragma once

#include <QString>
#include <QtGlobal>

namespace velto {

// An application as the workspace sees it. processIdentifier is 0 when the system does not say;
// handle is the platform's own reference to it (opaque to the logic).
struct RunningApplication
{
    qint64 processIdentifier = 0;
    quint64 handle = 0;
    QString name;

    bool operator==(const RunningApplication&) const = default;
};

} // namespace velto
