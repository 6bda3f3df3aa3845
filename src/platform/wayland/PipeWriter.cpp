#include "platform/wayland/PipeWriter.h"

#include <QSocketNotifier>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#include <utility>

namespace velto {

void PipeWriter::start(int fd, QByteArray data, QObject* parent, std::function<void()> written)
{
    auto* writer = new PipeWriter(fd, std::move(data), parent, std::move(written));
    writer->writeSome();
}

PipeWriter::PipeWriter(int fd, QByteArray data, QObject* parent, std::function<void()> written)
    : QObject(parent), m_fd(fd), m_data(std::move(data)), m_onWritten(std::move(written))
{
    ::fcntl(m_fd, F_SETFL, ::fcntl(m_fd, F_GETFL) | O_NONBLOCK);
    m_notifier = std::make_unique<QSocketNotifier>(m_fd, QSocketNotifier::Write);
    m_notifier->setEnabled(false);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, [this] { writeSome(); });
    m_timeout.setSingleShot(true);
    connect(&m_timeout, &QTimer::timeout, this, &QObject::deleteLater);
    m_timeout.start(timeoutMs);
}

PipeWriter::~PipeWriter()
{
    m_notifier.reset();
    ::close(m_fd);
}

void PipeWriter::writeSome()
{
    while (m_written < m_data.size()) {
        const ssize_t put = ::write(m_fd, m_data.constData() + m_written,
                                    static_cast<size_t>(m_data.size() - m_written));
        if (put > 0) {
            m_written += put;
            continue;
        }
        if (put < 0 && errno == EINTR)
            continue;
        if (put < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            m_notifier->setEnabled(true);
            return;
        }
        // The reader went away (EPIPE; SIGPIPE is ignored by the app): nothing more to do.
        break;
    }
    m_notifier->setEnabled(false);
    if (m_written == m_data.size() && m_onWritten)
        std::exchange(m_onWritten, {})();
    deleteLater();
}

} // namespace velto
