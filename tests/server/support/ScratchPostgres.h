#pragma once

// A private PostgreSQL 15 for tests: initdb in a scratch folder under /tmp, the server on a
// Unix socket in that folder (no TCP), fsync off. As root (CI) it runs as "nobody", since
// PostgreSQL refuses to run as root. It is stopped and removed with the object, and dies with
// the test process if that crashes.

#include <libpq-fe.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <stdexcept>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace velto::server::testing {

class ScratchPostgres
{
public:
    static std::string binDir()
    {
        const char* dir = std::getenv("VELTO_PG_BINDIR");
        return dir && *dir ? dir : "/usr/lib/postgresql/15/bin";
    }

    // Why the tests cannot run here, for QSKIP; empty when the server binaries are installed.
    static std::string missing()
    {
        return ::access((binDir() + "/postgres").c_str(), X_OK) == 0
                   ? ""
                   : "PostgreSQL 15 server binaries not found in " + binDir() +
                         " (install postgresql-15, or set VELTO_PG_BINDIR): PostgreSQL tests "
                         "skipped";
    }

    ScratchPostgres()
    {
        char pattern[] = "/tmp/velto-pg.XXXXXX";
        need(::mkdtemp(pattern), "cannot make a scratch folder for PostgreSQL");
        dir_ = pattern;
        if (::geteuid() == 0) {
            passwd* nobody = ::getpwnam("nobody");
            need(nobody, "no user \"nobody\" to run PostgreSQL as");
            uid_ = nobody->pw_uid;
            gid_ = nobody->pw_gid;
            need(::chown(dir_.c_str(), uid_, gid_) == 0,
                 "cannot hand the scratch folder to nobody");
        }
        need(waitFor(spawn({binDir() + "/initdb", "-D", dir_ + "/data", "-U", "velto",
                            "--auth=trust", "-E", "UTF8", "--no-sync"},
                           dir_ + "/initdb.log")) == 0,
             "initdb failed; see " + dir_ + "/initdb.log");
        start();
    }

    ~ScratchPostgres()
    {
        stop();
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }

    ScratchPostgres(const ScratchPostgres&) = delete;
    ScratchPostgres& operator=(const ScratchPostgres&) = delete;

    // Starts the server and returns once it accepts connections.
    void start()
    {
        if (pid_ > 0) {
            return;
        }
        pid_ = spawn({binDir() + "/postgres", "-D", dir_ + "/data", "-k", dir_, "-c",
                      "listen_addresses=", "-c", "fsync=off", "-c", "synchronous_commit=off", "-c",
                      "full_page_writes=off", "-c", "max_connections=200"},
                     dir_ + "/postgres.log");
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (PQping(uri("postgres").c_str()) != PQPING_OK) {
            int status = 0;
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
            }
            need(pid_ > 0 && std::chrono::steady_clock::now() < deadline,
                 "postgres did not start; see " + dir_ + "/postgres.log");
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }

    // Fast shutdown: open connections are cut, as when a database host goes away.
    void stop()
    {
        if (pid_ <= 0) {
            return;
        }
        ::kill(pid_, SIGINT);
        waitFor(pid_);
        pid_ = -1;
    }

    std::string uri(const std::string& database) const
    {
        return "postgresql://velto@/" + database + "?host=" + dir_;
    }

    // A new empty database; its URI.
    std::string createDatabase()
    {
        std::string name = "velto_" + std::to_string(++databases_);
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
    // Runs a program as the database user with its output in `log`; its pid.
    pid_t spawn(const std::vector<std::string>& args, const std::string& log)
    {
        std::vector<char*> argv;
        for (const auto& a : args) {
            argv.push_back(const_cast<char*>(a.c_str()));
        }
        argv.push_back(nullptr);
        pid_t parent = ::getpid();
        pid_t pid = ::fork();
        need(pid >= 0, "fork failed");
        if (pid == 0) {
            // Only async-signal-safe calls between fork and exec.
            int fd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
            if (fd >= 0) {
                ::dup2(fd, 1);
                ::dup2(fd, 2);
            }
            if (::geteuid() == 0 &&
                (::setgroups(0, nullptr) != 0 || ::setgid(gid_) != 0 || ::setuid(uid_) != 0)) {
                ::_exit(126);
            }
            // Set after the user change, which clears it: SIGINT is a fast shutdown.
            ::prctl(PR_SET_PDEATHSIG, SIGINT);
            if (::getppid() != parent) {
                ::_exit(1);
            }
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        return pid;
    }

    static void need(bool ok, const std::string& failure)
    {
        if (!ok) {
            throw std::runtime_error(failure);
        }
    }

    static int waitFor(pid_t pid)
    {
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    std::string dir_;
    uid_t uid_ = 0;
    gid_t gid_ = 0;
    pid_t pid_ = -1;
    int databases_ = 0;
};

} // namespace velto::server::testing
