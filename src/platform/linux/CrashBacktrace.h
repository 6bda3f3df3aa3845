#pragma once

namespace velto {

// On a fatal signal (a crash or an abort) writes the signal and a backtrace to standard error,
// which the session keeps in the journal, then lets the signal end the process as it would have.
// Not installed in sanitizer builds: their own handlers report more.
class CrashBacktrace
{
public:
    static void install();
};

} // namespace velto
