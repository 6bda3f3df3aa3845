#pragma once

#include "app/AppServices.h"
#include "app/PendingWebLogin.h"
#include "model/PresentableError.h"
#include "platform/Pasteboard.h"
#include "platform/RunningApplication.h"

#include <QCoro/QCoroTask>
#include <QObject>
#include <QUrl>
#include <functional>
#include <memory>
#include <optional>

namespace velto {

class AppModel;
class AppWindows;
class CancellationToken;
class HotkeyManager;
class SelectionService;
struct WebLoginStart;

// The controller: launches the app, runs the rewrite pipeline from trigger to paste-back, and
// drives the browser sign-in. Lives until the process exits. Everything runs on the main
// thread; asynchronous work runs as coroutines that suspend at their awaits.
class AppDelegate : public QObject
{
    Q_OBJECT

public:
    explicit AppDelegate(AppServices services, QObject* parent = nullptr);
    ~AppDelegate() override;

    // Lifecycle.
    void applicationDidFinishLaunching();
    void applicationDidBecomeActive();
    void applicationWillTerminate();
    void ensureHotkeyRegistration();
    void configureHotkey();

    // Rewrite.
    void triggerRewriteFromSelection();
    bool promptSignInRequired();
    static PresentableError presentableRuntimeError(const QString& description,
                                                    const QString& fallbackTitle)
    {
        return PresentableError::from(description, fallbackTitle);
    }

    // Sign-in.
    void startSignIn();
    void cancelWebLoginFlow();
    void signOut();

    // The status item, the quick panel and the settings window.
    enum class PermissionPane
    {
        inputMonitoring,
        accessibility
    };
    // Where the panel and the window live; without them the two calls below only log.
    void setWindows(AppWindows* windows) { m_windows = windows; }
    // The page that stands in for a permission's system settings; an empty URL opens nothing.
    void setPermissionPages(std::function<QUrl(PermissionPane)> pages)
    {
        m_permissionPages = std::move(pages);
    }
    void openSettings();
    void toggleQuickPanel();
    // "Rewrite Selection" in the panel: the panel closes first, and the rewrite waits until
    // the application that was in front before the panel opened is active again.
    void rewriteFromQuickPanel();
    void openInputMonitoringSettings();
    void openAccessibilitySettings();
    // The chosen shortcut is taken: switch to the first free combination.
    void useFreeShortcut();
    // Adds the desktop custom shortcut that runs `velto --trigger` (GNOME), or removes it.
    void addDesktopShortcut();
    void removeDesktopShortcut();
    void updateLaunchAtLogin(bool enabled);
    // The settings changed the shortcut: the listener takes it from the next key press.
    void applyShortcutChange();
    void quit() { m_services.terminate(); }

    // Present after a complete launch.
    AppModel* model() const { return m_model.get(); }
    HotkeyManager& hotkeyManager() const { return *m_hotkeyManager; }
    bool rewriteInFlight() const { return m_rewriteInFlight; }
    const std::optional<PendingWebLogin>& pendingWebLogin() const { return m_pendingWebLogin; }
    bool webLoginRunning() const { return m_webLoginToken != nullptr; }
    // No coroutine of the controller is suspended (tests wait for this before checking).
    bool isIdle() const { return m_runningTasks == 0; }

signals:
    // The status icon pulses while a rewrite is in flight.
    void pulseChanged(bool pulsing);
    void settingsRequested();
    void quickPanelToggleRequested();

private:
    class TaskScope;

    void recordPermissionState();
    void updateDesktopShortcut();
    void showSetupGuide();
    void startPulseAnimation();
    void stopPulseAnimation();

    QCoro::Task<> syncAtLaunch();
    QCoro::Task<> runRewrite(std::optional<RunningApplication> source);
    QCoro::Task<> runRewriteAfterPanel(std::optional<RunningApplication> previous);
    void openPermissionPage(PermissionPane pane);
    QCoro::Task<> runClipboardGuard(PasteboardSnapshot snapshot, QString pasted,
                                    std::shared_ptr<CancellationToken> token);
    QCoro::Task<> runSignInStart(std::shared_ptr<CancellationToken> token);
    void beginWebLoginPolling(const WebLoginStart& start, std::shared_ptr<CancellationToken> token);
    QCoro::Task<> runPollLoop(WebLoginStart start, std::shared_ptr<CancellationToken> token);
    QCoro::Task<> runCancelWebLogin(PendingWebLogin pending);
    QCoro::Task<> runSignOut();
    void endWebLoginFlow(const std::shared_ptr<CancellationToken>& token);
    void failSignIn(const QString& text, const char* logPrefix);

    AppServices m_services;
    std::unique_ptr<AppModel> m_model;
    std::unique_ptr<HotkeyManager> m_hotkeyManager;
    std::unique_ptr<SelectionService> m_selection;
    bool m_rewriteInFlight = false;
    bool m_pulsing = false;
    // The sign-in in progress (start and poll loop); cancelling it stops both.
    std::shared_ptr<CancellationToken> m_webLoginToken;
    std::optional<PendingWebLogin> m_pendingWebLogin;
    std::shared_ptr<CancellationToken> m_clipboardGuard;
    int m_runningTasks = 0;
    AppWindows* m_windows = nullptr;
    std::function<QUrl(PermissionPane)> m_permissionPages;
    // The application in front when the quick panel opened: the panel's rewrite is for it.
    std::optional<RunningApplication> m_appBeforePanel;
    bool m_panelRewritePending = false;
};

} // namespace velto
