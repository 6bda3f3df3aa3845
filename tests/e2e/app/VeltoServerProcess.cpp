#include "e2e/app/VeltoServerProcess.h"

#include <QRegularExpression>
#include <QTcpSocket>
#include <QTest>
#include <csignal>

namespace velto::test {

VeltoServerProcess::VeltoServerProcess(QString program) : m_program(std::move(program)) {}

VeltoServerProcess::~VeltoServerProcess()
{
    stop();
}

QString VeltoServerProcess::start(const QStringList& options)
{
    if (!m_data.isValid())
        return QStringLiteral("no temporary data directory");
    // The app's backend address is fixed at build time: another server there would answer
    // instead of ours.
    QTcpSocket probe;
    probe.connectToHost(QStringLiteral("127.0.0.1"), port);
    if (probe.waitForConnected(1000))
        return QStringLiteral("127.0.0.1:%1 is already in use: stop the program listening there "
                              "(another velto-server?) and run the test again")
            .arg(port);

    m_process.setProgram(m_program);
    m_process.setArguments(QStringList{QStringLiteral("--listen"),
                                       QStringLiteral("127.0.0.1:%1").arg(port),
                                       QStringLiteral("--data"), m_data.path(),
                                       QStringLiteral("--engine"), QStringLiteral("local")} +
                           options);
    m_process.setProcessChannelMode(QProcess::SeparateChannels);
    m_process.setReadChannel(QProcess::StandardError);
    m_process.start();
    if (!m_process.waitForStarted(5000))
        return QStringLiteral("velto-server did not start: ") + m_process.errorString();
    const bool listening = QTest::qWaitFor(
        [&] {
            readLog();
            return m_log.contains("velto-server: listening on") ||
                   m_process.state() == QProcess::NotRunning;
        },
        10000);
    if (!listening || m_process.state() == QProcess::NotRunning)
        return QStringLiteral("velto-server is not listening; its log:\n") +
               QString::fromUtf8(m_log);
    return {};
}

bool VeltoServerProcess::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return m_process.exitStatus() == QProcess::NormalExit && m_process.exitCode() == 0;
    ::kill(pid_t(m_process.processId()), SIGTERM);
    if (m_process.waitForFinished(10000)) {
        readLog();
        return m_process.exitStatus() == QProcess::NormalExit && m_process.exitCode() == 0;
    }
    m_process.kill();
    m_process.waitForFinished(5000);
    return false;
}

void VeltoServerProcess::readLog()
{
    // Takes in what has been written even when no event loop ran since.
    if (m_process.state() == QProcess::Running)
        m_process.waitForReadyRead(0);
    const QByteArray arrived = m_process.readAllStandardError();
    m_log += arrived;
    m_pending += arrived;
    // "<time> POST /rewrite 200 0.4ms rid=…"
    static const QRegularExpression line(
        QStringLiteral("^\\S+ (\\S+ \\S+ \\d{3}) (?:([0-9.]+)ms|-) rid="));
    qsizetype end;
    while ((end = m_pending.indexOf('\n')) >= 0) {
        const QString text = QString::fromUtf8(m_pending.left(end));
        m_pending.remove(0, end + 1);
        const QRegularExpressionMatch match = line.match(text);
        if (match.hasMatch())
            m_requests.append({match.captured(1), match.captured(2).toDouble()});
    }
}

QList<VeltoServerProcess::Request> VeltoServerProcess::requests(const QString& call)
{
    readLog();
    QList<Request> matching;
    for (const Request& request : m_requests) {
        if (request.call == call)
            matching.append(request);
    }
    return matching;
}

bool VeltoServerProcess::waitForRequests(const QString& call, int count, int timeoutMs)
{
    return QTest::qWaitFor([&] { return requests(call).size() >= count; }, timeoutMs);
}

QByteArray VeltoServerProcess::log()
{
    readLog();
    return m_log;
}

} // namespace velto::test
