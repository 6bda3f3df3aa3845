#pragma once

#include "fakes/platform/FakeEventLog.h"
#include "platform/Workspace.h"

#include <QList>
#include <QSet>

namespace velto::fakes {

class FakeWorkspace : public Workspace
{
public:
    explicit FakeWorkspace(FakeEventLog* log = nullptr) : m_log(log) {}

    std::optional<RunningApplication> active;
    QSet<qint64> terminatedPids;
    QList<RunningApplication> activated;
    QList<QUrl> openedURLs;
    bool openSucceeds = true;
    // Whether the window manager reports an activated application active in time.
    bool activationReported = true;

    std::optional<RunningApplication> activeApplication() override { return active; }
    bool isTerminated(const RunningApplication& application) override
    {
        return terminatedPids.contains(application.processIdentifier);
    }
    void activate(const RunningApplication& application) override
    {
        activated.append(application);
        if (m_log)
            m_log->add(QStringLiteral("activate %1").arg(application.processIdentifier));
    }
    QCoro::Task<bool> waitUntilActive(const RunningApplication& application,
                                      std::chrono::milliseconds maximum) override
    {
        if (m_log)
            m_log->add(QStringLiteral("wait active %1 %2")
                           .arg(application.processIdentifier)
                           .arg(maximum.count()));
        co_return activationReported;
    }
    bool openURL(const QUrl& url) override
    {
        openedURLs.append(url);
        return openSucceeds;
    }

private:
    FakeEventLog* m_log;
};

} // namespace velto::fakes
