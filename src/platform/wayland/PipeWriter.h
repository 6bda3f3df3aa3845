#pragma once

#include <QByteArray>
#include <QObject>
#include <QTimer>
#include <functional>
#include <memory>

class QSocketNotifier;

namespace velto {

// Writes bytes into a pipe another client reads (a clipboard transfer it asked for), on the
// event loop, so a slow or stuck reader never holds up the app. Deletes itself when done,
// when the reader goes away, or after a time-out.
class PipeWriter : public QObject
{
    Q_OBJECT

public:
    static constexpr int timeoutMs = 5000;

    // Takes ownership of fd. written runs once the reader has been given every byte.
    static void start(int fd, QByteArray data, QObject* parent, std::function<void()> written = {});
    ~PipeWriter() override;

private:
    PipeWriter(int fd, QByteArray data, QObject* parent, std::function<void()> written);
    void writeSome();

    int m_fd;
    QByteArray m_data;
    qsizetype m_written = 0;
    std::function<void()> m_onWritten;
    std::unique_ptr<QSocketNotifier> m_notifier;
    QTimer m_timeout;
};

} // namespace velto
