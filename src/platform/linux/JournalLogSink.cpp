#include "platform/linux/JournalLogSink.h"

#include <QFileInfo>
#include <sys/uio.h>
#include <systemd/sd-journal.h>
#include <utility>
#include <vector>

namespace velto {

JournalLogSink::JournalLogSink(const QByteArray& journalSocket, QByteArray identifier,
                               WithoutJournal withoutJournal)
    : m_journal(QFileInfo(QString::fromLocal8Bit(journalSocket)).exists()),
      m_identifier(std::move(identifier)), m_withoutJournal(withoutJournal), m_stderr(m_identifier)
{
}

bool JournalLogSink::isEnabled(LogLevel) const
{
    return m_journal || m_withoutJournal == WithoutJournal::writeToStderr;
}

int JournalLogSink::priority(LogLevel level)
{
    switch (level) {
    case LogLevel::info:
        return 6;
    case LogLevel::warning:
        return 3;
    case LogLevel::error:
        return 2;
    }
    return 6;
}

QByteArrayList JournalLogSink::fields(LogLevel level, const QString& message,
                                      const QByteArray& identifier)
{
    return {
        "MESSAGE=" + message.toUtf8(),
        "PRIORITY=" + QByteArray::number(priority(level)),
        "SYSLOG_IDENTIFIER=" + identifier,
        "SUBSYSTEM=app.velto.Velto",
        "CATEGORY=app",
    };
}

void JournalLogSink::write(LogLevel level, const QString& message)
{
    const bool toStderr = m_withoutJournal == WithoutJournal::writeToStderr;
    if (!m_journal) {
        if (toStderr)
            m_stderr.write(level, message);
        return;
    }
    const QByteArrayList lines = fields(level, message, m_identifier);
    std::vector<iovec> vectors;
    vectors.reserve(lines.size());
    for (const QByteArray& line : lines)
        vectors.push_back({const_cast<char*>(line.constData()), std::size_t(line.size())});
    if (sd_journal_sendv(vectors.data(), int(vectors.size())) < 0 && toStderr)
        m_stderr.write(level, message);
}

} // namespace velto
