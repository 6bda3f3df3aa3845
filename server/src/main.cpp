#include "Crypto.h"
#include "HttpConnections.h"
#include "LocalEngine.h"
#include "OpenAIEngine.h"
#include "ServerOptions.h"
#include "VeltoServer.h"

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <iostream>
#include <pthread.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

using namespace velto::server;

namespace {

std::string env(const char* name)
{
    const char* v = std::getenv(name);
    return v ? v : "";
}

std::string readSecretLine(const char* prompt)
{
    std::cerr << prompt << std::flush;
    termios old{};
    tcgetattr(STDIN_FILENO, &old);
    termios quiet = old;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    std::string line;
    std::getline(std::cin, line);
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &old);
    std::cerr << "\n";
    return line;
}

int addUser(const ServerOptions& options)
{
    std::string password;
    if (isatty(STDIN_FILENO)) {
        password = readSecretLine("Password: ");
        if (readSecretLine("Password again: ") != password) {
            std::cerr << "velto-server: the passwords differ; nothing changed.\n";
            return 1;
        }
    } else {
        std::getline(std::cin, password);
        if (!password.empty() && password.back() == '\r') {
            password.pop_back();
        }
    }
    if (password.size() < 8) {
        std::cerr << "velto-server: the password needs at least 8 characters; nothing changed.\n";
        return 1;
    }
    crypto::initialize();
    auto db = Database::open(options.database, options.dataDir, 1);
    AccountStore accounts(*db, systemClock());
    Account account = accounts.addUser(options.addUserEmail, password);
    std::cerr << "velto-server: " << account.email
              << " can now sign in (with --signin password).\n";
    return 0;
}

int serve(const ServerOptions& options)
{
    std::unique_ptr<RewriteEngine> engine;
    if (options.engine == "openai") {
        engine = std::make_unique<OpenAIEngine>(options.upstream);
    } else {
        engine = std::make_unique<LocalEngine>();
    }
    // Block the stop signals in every thread; one thread waits for them and stops the server.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    VeltoServer server(options, std::move(engine));
    server.bind();
    std::cerr << "velto-server: listening on " << server.publicUrl() << " (engine "
              << options.engine << ", sign-in " << options.signin << ", database "
              << Database::describe(options.database, options.dataDir) << ")" << std::endl;
    int backlogCap = HttpConnections::kernelBacklogCap();
    if (backlogCap > 0 && backlogCap < options.listenBacklog) {
        std::cerr << "velto-server: the kernel caps the listen backlog at " << backlogCap
                  << " (net.core.somaxconn), below --listen-backlog " << options.listenBacklog
                  << std::endl;
    }
    std::atomic<bool> stopRequested = false;
    std::thread waiter([&] {
        int received = 0;
        sigwait(&signals, &received);
        stopRequested = true;
        server.stop();
    });
    const bool served = server.listen();
    const bool failed = !served && !stopRequested;
    // listen() also returns when the server fails; make sure the waiter can end.
    pthread_kill(waiter.native_handle(), SIGTERM);
    waiter.join();
    if (failed) {
        // A non-zero status lets the user unit's Restart=on-failure start it again.
        std::cerr << "velto-server: stopped serving: the listening socket failed" << std::endl;
        return 1;
    }
    std::cerr << "velto-server: stopped" << std::endl;
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    ServerOptions options;
    try {
        options = ServerOptions::parse(std::vector<std::string>(argv + 1, argv + argc), env);
    } catch (const std::exception& e) {
        std::cerr << "velto-server: " << e.what() << "\n";
        return 2;
    }
    try {
        switch (options.command) {
        case ServerOptions::Command::Help:
            std::cout << ServerOptions::helpText();
            return 0;
        case ServerOptions::Command::Version:
            std::cout << "velto-server " << VELTO_VERSION << "\n";
            return 0;
        case ServerOptions::Command::AddUser:
            return addUser(options);
        case ServerOptions::Command::Serve:
            return serve(options);
        }
    } catch (const std::exception& e) {
        std::cerr << "velto-server: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
