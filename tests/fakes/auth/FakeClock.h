#pragma once

#include "platform/Clock.h"

namespace velto {

// A clock that stands still until a test moves it.
class FakeClock : public Clock
{
public:
    explicit FakeClock(double start = 1'700'000'000) : current(start) {}
    double now() const override { return current; }
    void advance(double seconds) { current += seconds; }

    double current;
};

} // namespace velto
