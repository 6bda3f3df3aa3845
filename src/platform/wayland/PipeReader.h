#pragma once

#include <QByteArray>
#include <QObject>
#include <chrono>
#include <optional>
#include <qcoro/qcorotask.h>

namespace velto {

// Reads a pipe to its end on the event loop, for data another client writes (a clipboard
// transfer). The peer is untrusted: it may write slowly, never finish or send too much.
class PipeReader : public QObject
{
    Q_OBJECT

public:
    static constexpr qsizetype maxBytes = 64 * 1024 * 1024;

    // Takes ownership of fd and closes it. None when the writer did not finish within budget,
    // sent more than maxBytes, or the read failed.
    static QCoro::Task<std::optional<QByteArray>> readAll(int fd, std::chrono::milliseconds budget);

signals:
    // The pipe has data or was closed. (QSocketNotifier's own signal is private, which the
    // awaiting machinery cannot bind safely.)
    void readable();

private:
    PipeReader() = default;
};

} // namespace velto
