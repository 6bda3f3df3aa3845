#pragma once

#include "app/AppWindows.h"
#include "fakes/platform/FakeEventLog.h"

#include <QList>
#include <utility>

namespace velto::test {

// The controller's windows: the panel and the settings window as calls in the shared event log,
// and where each preview was asked to open and how often one closed.
struct RecordingWindows : AppWindows
{
    explicit RecordingWindows(fakes::FakeEventLog& log) : log(log) {}

    bool quickPanelShown() override { return panelShown; }
    void showQuickPanel() override
    {
        panelShown = true;
        log.add(QStringLiteral("panel show"));
    }
    void showSettings() override { log.add(QStringLiteral("settings show")); }
    void closeQuickPanel() override
    {
        if (std::exchange(panelShown, false))
            log.add(QStringLiteral("panel close"));
    }
    bool showPreview(PreviewPresenter&, std::optional<QRect> selection) override
    {
        previewsOpened.append(selection);
        return true;
    }
    void closePreview() override { ++previewsClosed; }

    fakes::FakeEventLog& log;
    bool panelShown = false;
    QList<std::optional<QRect>> previewsOpened;
    int previewsClosed = 0;
};

} // namespace velto::test
