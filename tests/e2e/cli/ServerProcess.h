#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QVector>

// The real velto-server as a child process on a fixed loopback port. Its request log (one line
// per request on standard error) is the record the test reads: what was asked and answered.
class ServerProcess
{
public:
    struct Request
    {
        QString call; // "POST /rewrite 200"
        QString requestId;
    };

    ServerProcess(QString program, QString host, int port);
    ~ServerProcess();

    // Starts the server with --listen and the given options and waits until it listens.
    // Returns why it could not, or an empty string.
    QString start(const QStringList& options);
    // SIGTERM, then waits for the exit; false when it had to be killed or failed.
    bool stop();

    // Waits until the log holds at least count requests whose call is call.
    bool waitForRequests(const QString& call, int count, int timeoutMs = 10'000);
    int count(const QString& call);
    // Requests whose call starts with prefix ("POST /auth/v1/token ").
    QVector<Request> requestsStartingWith(const QString& prefix);
    QString log();

private:
    void readLog(int waitMs);

    QString m_program;
    QString m_host;
    int m_port;
    QProcess m_process;
    QByteArray m_pending;
    QString m_log;
    QVector<Request> m_requests;
};
