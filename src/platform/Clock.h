#pragma once

namespace velto {

// Wall-clock time for token expiry and handoff deadlines, injectable so tests can move it.
class Clock
{
public:
    virtual ~Clock() = default;
    // Seconds since 1970-01-01 00:00 UTC.
    virtual double now() const = 0;
};

} // namespace velto
