#include "e2e/support/ServerProcess.h"

#include <QRegularExpression>
#include <QTcpSocket>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace velto::test {

ServerProcess::ServerProcess(QString program, int port)
    : m_program(std::move(program)), m_port(port)
{
    m_process.setReadChannel(QProcess::StandardError);
}

ServerProcess::~ServerProcess()
{
    stop();
}

QString ServerProcess::start(const QStringList& options)
{
    // The server's sockets take SO_REUSEPORT, so a second server on a taken port would bind too
    // and share the connections; a listener already there has to be found beforehand.
    QTcpSocket probe;
    probe.connectToHost(u"127.0.0.1"_s, quint16(m_port));
    if (probe.waitForConnected(2'000))
        return QStringLiteral("127.0.0.1:%1 already accepts connections; the clients are built "
                              "for this port (stop the other server there)")
            .arg(m_port);

    m_pending.clear();
    m_log.clear();
    m_requests.clear();
    m_process.start(m_program, QStringList{u"--listen"_s, u"127.0.0.1:%1"_s.arg(m_port)} + options);
    if (!m_process.waitForStarted(10'000))
        return u"velto-server did not start: "_s + m_process.errorString();
    const bool listening = QTest::qWaitFor(
        [&] {
            readLog();
            return m_log.contains(u"velto-server: listening on ") ||
                   m_process.state() == QProcess::NotRunning;
        },
        20'000);
    if (!listening || m_process.state() == QProcess::NotRunning)
        return u"velto-server is not listening; its log:\n"_s + m_log;
    return {};
}

bool ServerProcess::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return m_process.exitStatus() == QProcess::NormalExit && m_process.exitCode() == 0;
    m_process.terminate();
    if (m_process.waitForFinished(10'000)) {
        readLog();
        return m_process.exitStatus() == QProcess::NormalExit && m_process.exitCode() == 0;
    }
    m_process.kill();
    m_process.waitForFinished(5'000);
    return false;
}

void ServerProcess::readLog()
{
    // QProcess pulls from the pipe only inside its waits; a zero wait takes what is there.
    if (m_process.state() == QProcess::Running)
        m_process.waitForReadyRead(0);
    m_pending += m_process.readAllStandardError();
    // "<time> POST /rewrite 200 0.4ms rid=<id>"
    static const QRegularExpression request(
        u"^\\S+ ([A-Z]+ \\S+ \\d{3}) (?:([0-9.]+)ms|-) rid=(\\S*)$"_s);
    qsizetype end;
    while ((end = m_pending.indexOf('\n')) >= 0) {
        const QString line = QString::fromUtf8(m_pending.left(end));
        m_pending.remove(0, end + 1);
        m_log += line + QLatin1Char('\n');
        const QRegularExpressionMatch match = request.match(line);
        if (match.hasMatch())
            m_requests.append({match.captured(1), match.captured(2).toDouble(), match.captured(3)});
    }
}

QList<ServerProcess::Request> ServerProcess::requests(const QString& prefix)
{
    readLog();
    QList<Request> found;
    for (const Request& request : std::as_const(m_requests)) {
        if (request.call.startsWith(prefix))
            found.append(request);
    }
    return found;
}

bool ServerProcess::waitForRequests(const QString& call, int count, int timeoutMs)
{
    return QTest::qWaitFor([&] { return this->count(call) >= count; }, timeoutMs);
}

QString ServerProcess::log()
{
    readLog();
    return m_log;
}

} // namespace velto::test
