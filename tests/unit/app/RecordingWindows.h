#pragma once

#include "app/AppWindows.h"
#include "fakes/platform/FakeEventLog.h"

namespace velto::test {

// The panel and window as calls in the shared event log.
class RecordingWindows : public AppWindows
{
public:
    explicit RecordingWindows(fakes::FakeEventLog& log) : m_log(log) {}

    bool panelShown = false;
    int settingsShown = 0;

    bool quickPanelShown() override { return panelShown; }
    void showQuickPanel() override
    {
        panelShown = true;
        m_log.add(QStringLiteral("panel show"));
    }
    void closeQuickPanel() override
    {
        if (panelShown)
            m_log.add(QStringLiteral("panel close"));
        panelShown = false;
    }
    void showSettings() override
    {
        ++settingsShown;
        m_log.add(QStringLiteral("settings show"));
    }

private:
    fakes::FakeEventLog& m_log;
};

} // namespace velto::test
