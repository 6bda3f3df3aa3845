#pragma once

#include "model/LogSink.h"
#include "model/StderrLogSink.h"

#include <QByteArrayList>

namespace velto {

// Log lines into the systemd journal: SYSLOG_IDENTIFIER=velto (or the program's own name) with
// the app's subsystem and category; stderr when no journal listens, unless the program keeps
// its terminal for what its user asked for (velto-cli).
class JournalLogSink : public LogSink
{
public:
    static inline const QByteArray defaultSocket = QByteArrayLiteral("/run/systemd/journal/socket");

    enum class WithoutJournal
    {
        writeToStderr,
        drop
    };

    explicit JournalLogSink(const QByteArray& journalSocket = defaultSocket,
                            QByteArray identifier = QByteArrayLiteral("velto"),
                            WithoutJournal withoutJournal = WithoutJournal::writeToStderr);

    bool isEnabled(LogLevel level) const override;
    void write(LogLevel level, const QString& message) override;
    bool usesJournal() const { return m_journal; }

    // info 6, warning 3, error 2.
    static int priority(LogLevel level);
    // The journal fields of one line, as KEY=value.
    static QByteArrayList fields(LogLevel level, const QString& message,
                                 const QByteArray& identifier = QByteArrayLiteral("velto"));

private:
    bool m_journal = false;
    QByteArray m_identifier;
    WithoutJournal m_withoutJournal;
    StderrLogSink m_stderr;
};

} // namespace velto
