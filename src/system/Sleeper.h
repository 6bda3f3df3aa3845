#pragma once

#include <chrono>
#include <qcoro/qcorotask.h>

namespace velto {

// The fixed waits of the system integration go through here, so tests can run them instantly and
// see which waits were made.
class Sleeper
{
public:
    virtual ~Sleeper() = default;
    virtual QCoro::Task<> sleep(std::chrono::milliseconds duration) = 0;
};

} // namespace velto
