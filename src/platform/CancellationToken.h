#pragma once

#include <QObject>

namespace velto {

// Lets the owner of a long-running loop stop it at its next check or sleep. Cancelling is
// permanent; a new attempt takes a new token.
class CancellationToken : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    bool isCancelled() const { return m_cancelled; }
    // Emits cancelled() the first time only.
    void cancel();

signals:
    void cancelled();

private:
    bool m_cancelled = false;
};

} // namespace velto
