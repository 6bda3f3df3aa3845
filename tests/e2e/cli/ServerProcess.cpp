#include "ServerProcess.h"

#include <QDeadlineTimer>
#include <QRegularExpression>
#include <QTcpSocket>

ServerProcess::ServerProcess(QString program, QString host, int port)
    : m_program(std::move(program)), m_host(std::move(host)), m_port(port)
{
    m_process.setProcessChannelMode(QProcess::MergedChannels);
}

ServerProcess::~ServerProcess()
{
    stop();
}

QString ServerProcess::start(const QStringList& options)
{
    // The server's sockets take SO_REUSEPORT, so a second server on a taken port would bind
    // too and share the connections; a listener already there has to be found beforehand.
    QTcpSocket probe;
    probe.connectToHost(m_host, quint16(m_port));
    if (probe.waitForConnected(2'000))
        return QStringLiteral("%1:%2 already accepts connections; this test needs the port the "
                              "client is built for free (stop the other server there)")
            .arg(m_host)
            .arg(m_port);

    m_pending.clear();
    m_log.clear();
    m_requests.clear();
    m_process.setProgram(m_program);
    m_process.setArguments(
        QStringList{QStringLiteral("--listen"), QStringLiteral("%1:%2").arg(m_host).arg(m_port)} +
        options);
    m_process.start();
    if (!m_process.waitForStarted(10'000))
        return QStringLiteral("velto-server did not start: ") + m_process.errorString();

    const QDeadlineTimer deadline(20'000);
    while (!m_log.contains(QStringLiteral("velto-server: listening on "))) {
        if (m_process.state() == QProcess::NotRunning) {
            readLog(0);
            return QStringLiteral("velto-server exited before listening:\n") + m_log;
        }
        if (deadline.hasExpired())
            return QStringLiteral("velto-server did not listen within 20 s:\n") + m_log;
        readLog(int(std::max<qint64>(1, deadline.remainingTime())));
    }
    return {};
}

bool ServerProcess::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return true;
    m_process.terminate();
    if (m_process.waitForFinished(10'000)) {
        readLog(0);
        return m_process.exitStatus() == QProcess::NormalExit && m_process.exitCode() == 0;
    }
    m_process.kill();
    m_process.waitForFinished(5'000);
    return false;
}

void ServerProcess::readLog(int waitMs)
{
    // QProcess pulls from the pipe only inside its waits; a zero wait takes what is there.
    if (m_process.state() != QProcess::NotRunning && m_process.waitForReadyRead(waitMs)) {
        while (m_process.waitForReadyRead(0)) {
        }
    }
    m_pending += m_process.readAll();
    static const QRegularExpression request(
        QStringLiteral("^\\S+ ([A-Z]+ \\S+ \\d{3}) \\S+ rid=(\\S*)$"));
    qsizetype end;
    while ((end = m_pending.indexOf('\n')) >= 0) {
        const QString line = QString::fromUtf8(m_pending.left(end));
        m_pending.remove(0, end + 1);
        m_log += line + QLatin1Char('\n');
        const QRegularExpressionMatch match = request.match(line);
        if (match.hasMatch())
            m_requests.append({match.captured(1), match.captured(2)});
    }
}

bool ServerProcess::waitForRequests(const QString& call, int count, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        readLog(0);
        if (this->count(call) >= count)
            return true;
        if (deadline.hasExpired() || m_process.state() == QProcess::NotRunning)
            return false;
        readLog(int(std::max<qint64>(1, deadline.remainingTime())));
    }
}

int ServerProcess::count(const QString& call)
{
    readLog(0);
    int n = 0;
    for (const Request& request : std::as_const(m_requests))
        n += request.call == call ? 1 : 0;
    return n;
}

QVector<ServerProcess::Request> ServerProcess::requestsStartingWith(const QString& prefix)
{
    readLog(0);
    QVector<Request> found;
    for (const Request& request : std::as_const(m_requests)) {
        if (request.call.startsWith(prefix))
            found.append(request);
    }
    return found;
}

QString ServerProcess::log()
{
    readLog(0);
    return m_log;
}
