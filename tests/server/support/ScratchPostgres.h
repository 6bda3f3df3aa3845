#pragma once

// A private PostgreSQL 15 for tests: initdb in a scratch folder under /tmp, the server on a
// Unix socket in that folder (no TCP), fsync off. As root (CI) it runs as "nobody", since
// PostgreSQL refuses to run as root. It is stopped and removed with the object, and dies with
// the test process if that crashes.

#include <libpq-fe.h>

#include <QProcess>
#include <QTemporaryDir>

#include <chrono>
#include <cstdlib>
#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <stdexcept>
#include <string>
#include <sys/prctl.h>
#include <unistd.h>

namespace velto::server::testing {

class ScratchPostgres
{
public:
    static QString binDir()
    {
        const char* dir = std::getenv("VELTO_PG_BINDIR");
        return dir && *dir ? dir : "/usr/lib/postgresql/15/bin";
    }

    // Why the tests cannot run here, for QSKIP; empty when the server binaries are installed.
    static std::string missing()
    {
        return ::access(qPrintable(binDir() + "/postgres"), X_OK) == 0
                   ? ""
                   : "PostgreSQL 15 server binaries not found in " + binDir().toStdString() +
                         " (install postgresql-15, or set VELTO_PG_BINDIR): PostgreSQL tests "
                         "skipped";
    }

    ScratchPostgres()
    {
        need(m_dir.isValid(), "cannot make a scratch folder for PostgreSQL");
        if (::geteuid() == 0) {
            passwd* nobody = ::getpwnam("nobody");
            need(nobody, "no user \"nobody\" to run PostgreSQL as");
            m_uid = nobody->pw_uid;
            m_gid = nobody->pw_gid;
            need(::chown(qPrintable(m_dir.path()), m_uid, m_gid) == 0,
                 "cannot hand the scratch folder to nobody");
        }
        QProcess initdb;
        run(initdb, "initdb",
            {"-D", m_dir.filePath("data"), "-U", "velto", "--auth=trust", "-E", "UTF8",
             "--no-sync"});
        need(initdb.waitForFinished(-1) && initdb.exitCode() == 0, "initdb failed; see " + log());
        start();
    }

    ~ScratchPostgres() { stop(); }

    // Starts the server and returns once it accepts connections.
    void start()
    {
        if (m_postgres.state() != QProcess::NotRunning) {
            return;
        }
        run(m_postgres, "postgres",
            {"-D", m_dir.filePath("data"), "-k", m_dir.path(), "-c", "listen_addresses=", "-c",
             "fsync=off", "-c", "synchronous_commit=off", "-c", "full_page_writes=off", "-c",
             "max_connections=200"});
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (PQping(uri("postgres").c_str()) != PQPING_OK) {
            m_postgres.waitForFinished(20);
            need(m_postgres.state() == QProcess::Running &&
                     std::chrono::steady_clock::now() < deadline,
                 "postgres did not start; see " + log());
        }
    }

    // Fast shutdown: open connections are cut, as when a database host goes away.
    void stop()
    {
        if (m_postgres.state() != QProcess::NotRunning) {
            ::kill(m_postgres.processId(), SIGINT);
            m_postgres.waitForFinished(-1);
        }
    }

    std::string uri(const std::string& database) const
    {
        return "postgresql://velto@/" + database + "?host=" + m_dir.path().toStdString();
    }

    // A new empty database; its URI.
    std::string createDatabase()
    {
        std::string name = "velto_" + std::to_string(++m_databases);
        PGconn* c = PQconnectdb(uri("postgres").c_str());
        PGresult* r = PQexec(c, ("CREATE DATABASE " + name).c_str());
        bool ok = PQresultStatus(r) == PGRES_COMMAND_OK;
        std::string error = PQerrorMessage(c);
        PQclear(r);
        PQfinish(c);
        need(ok, "CREATE DATABASE failed: " + error);
        return uri(name);
    }

private:
    // Runs a program of the server as the database user, its output added to log().
    void run(QProcess& process, const QString& program, const QStringList& args)
    {
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.setStandardOutputFile(QString::fromStdString(log()), QIODevice::Append);
        process.setChildProcessModifier([this, parent = ::getpid()] {
            // Only async-signal-safe calls between fork and exec.
            if (::geteuid() == 0 &&
                (::setgroups(0, nullptr) != 0 || ::setgid(m_gid) != 0 || ::setuid(m_uid) != 0)) {
                ::_exit(126);
            }
            // Set after the user change, which clears it: SIGINT is a fast shutdown.
            ::prctl(PR_SET_PDEATHSIG, SIGINT);
            if (::getppid() != parent) {
                ::_exit(1);
            }
        });
        process.start(binDir() + "/" + program, args);
        need(process.waitForStarted(-1), "cannot run " + program.toStdString());
    }

    std::string log() const { return m_dir.filePath("postgres.log").toStdString(); }

    static void need(bool ok, const std::string& failure)
    {
        if (!ok) {
            throw std::runtime_error(failure);
        }
    }

    QTemporaryDir m_dir{"/tmp/velto-pg.XXXXXX"};
    uid_t m_uid = 0;
    gid_t m_gid = 0;
    QProcess m_postgres;
    int m_databases = 0;
};

} // namespace velto::server::testing
