#pragma once

#include "app/AppServices.h"
#include "app/PendingWebLogin.h"
#include "model/PresentableError.h"
#include "platform/Pasteboard.h"

#include <QCoro/QCoroTask>
#include <QObject>
#include <memory>
#include <optional>

namespace velto {

class AppModel;
class CancellationToken;
class HotkeyManager;
class SelectionService;
struct RunningApplication;
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
    bool abortLaunchFromDiskImageIfNeeded();
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

    // The settings window and the quick panel come with the desktop UI.
    void openSettings();
    void toggleQuickPanel();

    // Present after a complete launch (and after the disk-image refusal).
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
    void showSetupGuide();
    void startPulseAnimation();
    void stopPulseAnimation();

    QCoro::Task<> syncAtLaunch();
    QCoro::Task<> runRewrite(std::optional<RunningApplication> source);
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
};

} // namespace velto
