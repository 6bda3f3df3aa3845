#include "DesktopBench.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <cstdio>

namespace velto::test {

bool DesktopBench::waitFor(const std::function<bool()>& predicate, int timeoutMs)
{
    QElapsedTimer elapsed;
    elapsed.start();
    // Wakes the loop every millisecond, so a condition that changes without an event is seen.
    QTimer tick;
    tick.start(1);
    while (!predicate()) {
        if (elapsed.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

int DesktopBench::fail(const QString& why) const
{
    std::fprintf(stderr, "%s: %s\n", m_name, qPrintable(why));
    return 1;
}

} // namespace velto::test
