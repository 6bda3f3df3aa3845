#include "CliProcess.h"

#include <csignal>

#include <QDeadlineTimer>
#include <QRegularExpression>

CliProcess::CliProcess(QString program) : m_program(std::move(program)) {}

QString CliProcess::Result::describe() const
{
    const QString how = !finished ? QStringLiteral(" (timed out, killed)")
                        : crashed ? QStringLiteral(" (crashed)")
                                  : QString();
    return QStringLiteral("exit %1%2\n--- stdout:\n%3\n--- stderr:\n%4")
        .arg(exitCode)
        .arg(how, out, err);
}

void CliProcess::setEnvironment(const QProcessEnvironment& environment)
{
    m_process.setProcessEnvironment(environment);
}

void CliProcess::start(const QStringList& arguments, const QByteArray& input)
{
    m_process.setProgram(m_program);
    m_process.setArguments(arguments);
    // waitForReadyRead() waits on the read channel, and standard error carries the progress.
    m_process.setReadChannel(QProcess::StandardError);
    m_process.start();
    m_process.waitForStarted(defaultTimeoutMs);
    if (!input.isEmpty())
        m_process.write(input);
    m_process.closeWriteChannel();
}

QRegularExpressionMatch CliProcess::waitForErrorLine(const QRegularExpression& pattern,
                                                     int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        m_err += m_process.readAllStandardError();
        const QStringList lines = QString::fromUtf8(m_err).split(QLatin1Char('\n'));
        // The last piece may be a line still being written.
        for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
            QRegularExpressionMatch match = pattern.match(lines[i]);
            if (match.hasMatch())
                return match;
        }
        if (m_process.state() == QProcess::NotRunning || deadline.hasExpired())
            return {};
        m_process.waitForReadyRead(int(std::max<qint64>(1, deadline.remainingTime())));
    }
}

CliProcess::Result CliProcess::finish(int timeoutMs)
{
    Result result;
    result.finished = m_process.waitForFinished(timeoutMs);
    if (!result.finished) {
        m_process.kill();
        m_process.waitForFinished(5'000);
    } else if (m_process.exitStatus() == QProcess::NormalExit) {
        result.exitCode = m_process.exitCode();
    } else {
        result.crashed = true;
    }
    result.out = QString::fromUtf8(m_process.readAllStandardOutput());
    m_err += m_process.readAllStandardError();
    result.err = QString::fromUtf8(m_err);
    return result;
}

void CliProcess::interrupt()
{
    if (m_process.state() == QProcess::Running)
        ::kill(pid_t(m_process.processId()), SIGINT);
}
