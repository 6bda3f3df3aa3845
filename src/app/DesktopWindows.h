#pragma once

#include "app/AppWindows.h"

#include <QObject>
#include <memory>

namespace velto {

class AppDelegate;
class PreviewViewController;
class QuickPanelViewController;
class SettingsViewController;
class TrayIcon;
class ViewEngine;

// The desktop's side of the controller: the tray icon, the quick panel and the settings
// window, with their buttons bound to the controller. The views' engine is made on the first
// open, not at launch.
class DesktopWindows : public QObject, public AppWindows
{
    Q_OBJECT

public:
    explicit DesktopWindows(AppDelegate& delegate, QObject* parent = nullptr);
    ~DesktopWindows() override;

    bool quickPanelShown() override;
    void showQuickPanel() override;
    void closeQuickPanel() override;
    void showSettings() override;
    bool showPreview(PreviewPresenter& presenter, std::optional<QRect> selection) override;
    void closePreview() override;

    TrayIcon& trayIcon() const { return *m_trayIcon; }
    // Present once opened.
    QuickPanelViewController* quickPanel() const { return m_quickPanel.get(); }
    SettingsViewController* settings() const { return m_settings.get(); }
    PreviewViewController* preview() const { return m_preview.get(); }

private:
    AppDelegate& m_delegate;
    std::unique_ptr<ViewEngine> m_engine;
    std::unique_ptr<TrayIcon> m_trayIcon;
    std::unique_ptr<QuickPanelViewController> m_quickPanel;
    std::unique_ptr<SettingsViewController> m_settings;
    std::unique_ptr<PreviewViewController> m_preview;
};

} // namespace velto
