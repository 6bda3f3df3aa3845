#pragma once

#include <QCoro/QCoroTask>
#include <chrono>
#include <memory>

namespace velto {

class CancellationToken;

// Waits that a loop can cut short. Tests swap in one that returns at once.
class Sleeper
{
public:
    virtual ~Sleeper() = default;
    // Resolves after the duration, or as soon as the token is cancelled. True when the whole
    // duration passed, false when the token ended the wait (or was already cancelled).
    virtual QCoro::Task<bool> sleep(std::chrono::milliseconds duration,
                                    std::shared_ptr<CancellationToken> token = {}) = 0;
};

} // namespace velto
