#pragma once

#include <QObject>
#include <chrono>
#include <functional>
#include <qcoro/qcorotask.h>

namespace velto {

// Lets coroutines wait for a state an adapter learns of through events (a clipboard owner
// changed, a window became active): the adapter calls notify() whenever the state may have
// changed, and each waiter checks its own condition again.
class StateWaiter : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    // True once condition() holds (checked at once and at every notify()), false when maximum
    // passed first.
    QCoro::Task<bool> waitUntil(std::function<bool()> condition, std::chrono::milliseconds maximum);
    // Wakes the waiters from the event loop, not from inside the adapter's event handler, which
    // a resumed waiter could otherwise re-enter.
    void notify();

signals:
    void changed();
};

} // namespace velto
