#include "platform/wayland/PipeReader.h"

#include <QDeadlineTimer>
#include <QSocketNotifier>
#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <qcoro/qcorosignal.h>
#include <unistd.h>

namespace velto {

namespace {

struct FdCloser
{
    int fd;
    ~FdCloser() { ::close(fd); }
};

} // namespace

QCoro::Task<std::optional<QByteArray>> PipeReader::readAll(int fd, std::chrono::milliseconds budget)
{
    FdCloser closer{fd};
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    const QDeadlineTimer deadline(budget);
    auto notifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    PipeReader reader;
    QObject::connect(notifier.get(), &QSocketNotifier::activated, &reader,
                     [&reader] { emit reader.readable(); });
    QByteArray data;
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got > 0) {
            if (data.size() + got > maxBytes)
                co_return std::nullopt;
            data.append(buffer, got);
            continue;
        }
        if (got == 0)
            co_return data;
        if (errno == EINTR)
            continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK)
            co_return std::nullopt;
        const auto left = std::chrono::milliseconds(deadline.remainingTime());
        if (left.count() <= 0)
            co_return std::nullopt;
        const auto woke = co_await qCoro(&reader, &PipeReader::readable, left);
        if (!woke)
            co_return std::nullopt;
    }
}

} // namespace velto
