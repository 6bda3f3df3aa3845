#pragma once

#include <QString>
#include <functional>

namespace velto::test {

// What the benchmarks on a real desktop share: waiting on a condition without adding to what they
// measure, and giving up with a reason.
class DesktopBench
{
public:
    // name: the benchmark's, put in front of its messages ("app-latency").
    explicit DesktopBench(const char* name) : m_name(name) {}

    // Waits for the predicate, running the event loop all the while. QTest::qWaitFor sleeps
    // 10 ms between rounds, and the app may be waiting on this process (for the clipboard it
    // serves): those sleeps would be counted as the app's time. False after the time-out.
    static bool waitFor(const std::function<bool()>& predicate, int timeoutMs);
    // Says on standard error why the benchmark stops; the exit code to return.
    int fail(const QString& why) const;

private:
    const char* m_name;
};

} // namespace velto::test
