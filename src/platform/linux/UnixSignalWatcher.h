#pragma once

#include <QObject>
#include <initializer_list>

class QSocketNotifier;

namespace velto {

// Turns Unix signals (SIGTERM from the session, Ctrl+C in a terminal) into a Qt signal on the
// main thread, so the app can end through its normal termination steps. The handler only writes
// to a pipe: nothing else is safe inside a signal handler.
class UnixSignalWatcher : public QObject
{
    Q_OBJECT

public:
    explicit UnixSignalWatcher(std::initializer_list<int> signalNumbers, QObject* parent = nullptr);
    ~UnixSignalWatcher() override;

signals:
    void received(int signalNumber);

private:
    QSocketNotifier* m_notifier = nullptr;
};

} // namespace velto
