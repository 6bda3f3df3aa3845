#pragma once

#include <QString>

namespace velto {

// One server-sent event: its name ("message" unless the block names one) and its data lines
// joined by a line feed.
struct SSEEvent
{
    QString event;
    QString data;
    bool operator==(const SSEEvent&) const = default;
};

} // namespace velto
