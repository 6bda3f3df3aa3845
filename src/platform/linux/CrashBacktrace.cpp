#include "platform/linux/CrashBacktrace.h"

#include <csignal>
#include <cstring>
#include <execinfo.h>
#include <unistd.h>

namespace velto {

namespace {

constexpr int fatalSignals[] = {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT};

void writeText(const char* text)
{
    // Only async-signal-safe calls from here on.
    const ssize_t ignored = ::write(STDERR_FILENO, text, std::strlen(text));
    (void)ignored;
}

void onFatalSignal(int signalNumber)
{
    writeText("velto: fatal signal ");
    char number[4] = {char('0' + signalNumber / 10 % 10), char('0' + signalNumber % 10), '\n', 0};
    writeText(signalNumber < 10 ? number + 1 : number);
    void* frames[64];
    const int count = ::backtrace(frames, 64);
    ::backtrace_symbols_fd(frames, count, STDERR_FILENO);
    // The handler was reset on entry: raising again ends the process with the original signal.
    ::raise(signalNumber);
}

} // namespace

void CrashBacktrace::install()
{
#if defined(__SANITIZE_ADDRESS__)
    return;
#else
    // backtrace() loads libgcc on first use, which is not safe inside a handler: do it now.
    void* frame = nullptr;
    ::backtrace(&frame, 1);
    struct sigaction action = {};
    action.sa_handler = onFatalSignal;
    action.sa_flags = SA_RESETHAND | SA_NODEFER;
    sigemptyset(&action.sa_mask);
    for (const int signalNumber : fatalSignals)
        ::sigaction(signalNumber, &action, nullptr);
#endif
}

} // namespace velto
