#pragma once

#include "model/LogSink.h"
#include "model/StderrLogSink.h"

#include <QByteArrayList>

namespace velto {

// Log lines into the systemd journal: SYSLOG_IDENTIFIER=velto with the app's subsystem and
// category; stderr when no journal listens.
class JournalLogSink : public LogSink
{
public:
    static inline const QByteArray defaultSocket = QByteArrayLiteral("/run/systemd/journal/socket");

    explicit JournalLogSink(const QByteArray& journalSocket = defaultSocket);

    bool isEnabled(LogLevel level) const override;
    void write(LogLevel level, const QString& message) override;
    bool usesJournal() const { return m_journal; }

    // info 6, warning 3, error 2.
    static int priority(LogLevel level);
    // The journal fields of one line, as KEY=value.
    static QByteArrayList fields(LogLevel level, const QString& message);

private:
    bool m_journal = false;
    StderrLogSink m_stderr;
};

} // namespace velto
