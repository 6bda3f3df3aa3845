#pragma once

#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace velto::test {

// The real velto-server as a child process on the loopback port its clients are built for. Its
// request log (one line per request on standard error: method, path, status, handling time,
// request id) is the record the tests read: what was asked and answered.
class ServerProcess
{
public:
    struct Request
    {
        QString call;            // "POST /rewrite 200"
        double milliseconds = 0; // the server's own handling time
        QString requestId;
    };

    ServerProcess(QString program, int port);
    ~ServerProcess();
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;

    // Starts it on 127.0.0.1:port with these options and waits until it listens; the reason
    // when it cannot.
    QString start(const QStringList& options);
    // SIGTERM, then waits for the exit; false when it had to be killed or did not exit with 0.
    bool stop();

    // The requests so far whose call starts with prefix ("POST /auth/v1/token ").
    QList<Request> requests(const QString& prefix);
    // How many requests had exactly this call ("POST /rewrite 200": the status ends it).
    int count(const QString& call) { return int(requests(call).size()); }
    bool waitForRequests(const QString& call, int count, int timeoutMs = 10'000);
    QString log();

private:
    void readLog();

    QString m_program;
    int m_port;
    QProcess m_process;
    QByteArray m_pending;
    QString m_log;
    QList<Request> m_requests;
};

} // namespace velto::test
