#pragma once

#include <QByteArray>
#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace velto::test {

// The real velto-server on the address the app is built for (127.0.0.1:8787), with a data
// directory of its own and the local engine. Its request log (one line per request on standard
// error: method, path, status, handling time) is what the tests read back.
class VeltoServerProcess
{
public:
    static constexpr quint16 port = 8787;

    struct Request
    {
        QString call;            // "POST /rewrite 200"
        double milliseconds = 0; // the server's own handling time
    };

    explicit VeltoServerProcess(QString program);
    ~VeltoServerProcess();
    VeltoServerProcess(const VeltoServerProcess&) = delete;
    VeltoServerProcess& operator=(const VeltoServerProcess&) = delete;

    // Starts it with these extra options and waits until it listens; the reason when it cannot.
    QString start(const QStringList& options = {});
    // SIGTERM, then waits for the exit; false when it had to be killed or did not exit with 0.
    bool stop();

    // Every request so far whose call is `call` ("POST /rewrite 200").
    QList<Request> requests(const QString& call);
    int count(const QString& call) { return int(requests(call).size()); }
    // Waits until `count` requests with that call have been served.
    bool waitForRequests(const QString& call, int count, int timeoutMs = 10000);
    QByteArray log();

private:
    void readLog();

    QString m_program;
    QTemporaryDir m_data;
    QProcess m_process;
    QByteArray m_log;
    QByteArray m_pending;
    QList<Request> m_requests;
};

} // namespace velto::test
