#pragma once

#include "app/AppServices.h"
#include "app/PendingWebLogin.h"
#include "app/PreviewFlow.h"
#include "app/RewriteFlow.h"
#include "app/ShortcutSetup.h"
#include "app/SignInFlow.h"
#include "app/TaskCounter.h"
#include "platform/RunningApplication.h"

#include <QCoro/QCoroTask>
#include <QObject>
#include <QUrl>
#include <functional>
#include <memory>
#include <optional>

namespace velto {

struct Alert;
class AppModel;
class AppWindows;

// The controller: launches the app and wires the rewrite and sign-in flows, the shortcut and
// the windows. Lives until the process exits. Everything runs on the main thread.
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

    // The flows' requests; each does nothing before the launch made the model.
    // With "Preview before replacing" on, the rewrite shows in the preview window first.
    void triggerRewriteFromSelection();
    void startSignIn() { ifLaunched(m_signIn, &SignInFlow::start); }
    void signOut() { ifLaunched(m_signIn, &SignInFlow::signOut); }

    // The status item, the quick panel and the settings window.
    // Where the panel and the window live; without them the two calls below only log.
    void setWindows(AppWindows* windows) { m_windows = windows; }
    // The help page of each capability, which says how it works in this session.
    enum class HelpPage
    {
        globalShortcut,
        textReplacement
    };
    // Where a capability's help page is; an empty URL opens nothing.
    void setHelpPages(std::function<QUrl(HelpPage)> pages) { m_helpPages = std::move(pages); }
    void openSettings();
    void toggleQuickPanel();
    // "Rewrite Selection" in the panel: the panel closes first, and the rewrite waits until
    // the application that was in front before the panel opened is active again.
    void rewriteFromQuickPanel();
    void openShortcutHelp();
    void openTextReplacementHelp();
    // The chosen shortcut is taken: switch to the first free combination.
    void useFreeShortcut() { ifLaunched(m_shortcuts, &ShortcutSetup::useFreeShortcut); }
    // Adds the desktop custom shortcut that runs `velto --trigger` (GNOME), or removes it.
    void addDesktopShortcut() { ifLaunched(m_shortcuts, &ShortcutSetup::addDesktopShortcut); }
    void removeDesktopShortcut() { ifLaunched(m_shortcuts, &ShortcutSetup::removeDesktopShortcut); }
    void updateLaunchAtLogin(bool enabled);
    // The settings changed the shortcut: the listener takes it from the next key press.
    void applyShortcutChange() { ifLaunched(m_shortcuts, &ShortcutSetup::applyShortcutChange); }
    void quit() { m_services.terminate(); }

    // Present after a complete launch.
    AppModel* model() const { return m_model.get(); }
    HotkeyManager& hotkeyManager() const { return m_shortcuts->hotkeyManager(); }
    bool rewriteInFlight() const { return m_rewrite && m_rewrite->inFlight(); }
    PreviewFlow* preview() const { return m_preview.get(); }
    const std::optional<PendingWebLogin>& pendingWebLogin() const;
    bool webLoginRunning() const { return m_signIn && m_signIn->running(); }
    // No coroutine of the controller is suspended (tests wait for this before checking).
    bool isIdle() const
    {
        return m_tasks.idle() && (!m_rewrite || m_rewrite->isIdle()) &&
               (!m_signIn || m_signIn->isIdle()) && (!m_preview || m_preview->isIdle());
    }

signals:
    // The status icon pulses while a rewrite is in flight.
    void pulseChanged(bool pulsing);
    void settingsRequested();
    void quickPanelToggleRequested();

private:
    template <typename Part>
    static void ifLaunched(const std::unique_ptr<Part>& part, void (Part::*action)())
    {
        if (part)
            (part.get()->*action)();
    }

    QCoro::Task<> runLaunch();
    void configureHotkey();
    QCoro::Task<> showSetupGuide();
    // Brings Velto in front and shows the alert; the answer is the chosen button.
    QCoro::Task<int> ask(Alert alert);
    void openHelpPage(HelpPage page);

    AppServices m_services;
    std::unique_ptr<AppModel> m_model;
    std::unique_ptr<ShortcutSetup> m_shortcuts;
    std::unique_ptr<SignInFlow> m_signIn;
    std::unique_ptr<RewriteFlow> m_rewrite;
    std::unique_ptr<PreviewFlow> m_preview;
    TaskCounter m_tasks;
    AppWindows* m_windows = nullptr;
    std::function<QUrl(HelpPage)> m_helpPages;
    // The application in front when the quick panel opened: the panel's rewrite is for it.
    std::optional<RunningApplication> m_appBeforePanel;
};

} // namespace velto
