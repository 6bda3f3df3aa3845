#pragma once

#include <QProcess>

namespace velto::test {

// Two workers spinning on the CPU for as long as this lives, as other programs on a busy
// machine do.
class CpuLoad
{
public:
    CpuLoad()
    {
        m_process.start(QStringLiteral("stress-ng"),
                        {QStringLiteral("--cpu"), QStringLiteral("2"), QStringLiteral("--timeout"),
                         QStringLiteral("900s"), QStringLiteral("--quiet")});
    }
    ~CpuLoad()
    {
        m_process.terminate();
        if (!m_process.waitForFinished(5000))
            m_process.kill();
        m_process.waitForFinished(5000);
    }
    CpuLoad(const CpuLoad&) = delete;
    CpuLoad& operator=(const CpuLoad&) = delete;

    bool isRunning() { return m_process.waitForStarted(5000); }

private:
    QProcess m_process;
};

} // namespace velto::test
