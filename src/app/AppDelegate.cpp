#include "app/AppDelegate.h"

#include <QCoreApplication>

#include "app/AppWindows.h"
#include "auth/AuthService.h"
#include "auth/AuthServiceError.h"
#include "model/AppModel.h"
#include "model/ClientLogger.h"
#include "model/UserPreferencesStore.h"
#include "platform/Alerts.h"
#include "platform/CancellationToken.h"
#include "platform/Clock.h"
#include "platform/DesktopShortcuts.h"
#include "platform/LoginItems.h"
#include "platform/Pasteboard.h"
#include "platform/Permissions.h"
#include "platform/Sleeper.h"
#include "platform/SoundPlayer.h"
#include "platform/SyntheticKeys.h"
#include "platform/Workspace.h"
#include "rewrite/RewriteAPI.h"
#include "system/HotkeyManager.h"
#include "system/SelectionService.h"

#include <QCoreApplication>
#include <QPointer>
#include <QTimer>

namespace velto {

// Counts a running coroutine of the controller for as long as it lives.
class AppDelegate::TaskScope
{
public:
    explicit TaskScope(AppDelegate& owner) : m_owner(owner) { ++m_owner.m_runningTasks; }
    ~TaskScope() { --m_owner.m_runningTasks; }
    TaskScope(const TaskScope&) = delete;
    TaskScope& operator=(const TaskScope&) = delete;

private:
    AppDelegate& m_owner;
};

AppDelegate::AppDelegate(AppServices services, QObject* parent)
    : QObject(parent), m_services(std::move(services)),
      m_hotkeyManager(std::make_unique<HotkeyManager>(m_services.permissions, m_services.keyTap,
                                                      m_services.keyMonitor)),
      m_selection(std::make_unique<SelectionService>(
          m_services.focusedSelection, m_services.pasteboard, m_services.syntheticKeys,
          m_services.workspace, m_services.sleeper))
{
}

AppDelegate::~AppDelegate()
{
    m_hotkeyManager->onHotkey = nullptr;
}

// MARK: lifecycle

void AppDelegate::applicationDidFinishLaunching()
{
    AppBuildConfig config;
    try {
        config = m_services.loadBuildConfig();
    } catch (const AppError& error) {
        m_services.activateSelf();
        m_services.alerts.runModal({AlertStyle::warning,
                                    QCoreApplication::translate("Notices", "Configuration error"),
                                    error.description(),
                                    {}});
        m_services.terminate();
        return;
    }

    m_model = std::make_unique<AppModel>(m_services.preferences, config);
    if (abortLaunchFromDiskImageIfNeeded())
        return;

    configureHotkey();
    m_model->setLaunchAtLogin(m_services.loginItems.status() == LoginItemStatus::enabled);
    recordPermissionState();
    if (m_model->shouldShowFirstRunGuide())
        showSetupGuide();
    syncAtLaunch();
}

QCoro::Task<> AppDelegate::syncAtLaunch()
{
    TaskScope scope(*this);
    {
        const AuthState synced = co_await m_services.auth.syncAuthState(*m_model);
        m_model->setAuthState(synced);
    }
    co_await m_services.rewriteAPI.refreshServerConfig(*m_model, m_services.auth);
}

bool AppDelegate::abortLaunchFromDiskImageIfNeeded()
{
    if (!m_services.bundlePath.startsWith(QStringLiteral("/Volumes/")))
        return false;
    m_services.activateSelf();
    const int choice = m_services.alerts.runModal(
        {AlertStyle::warning,
         QStringLiteral("Install Velto to Applications"),
         QStringLiteral(
             "Velto is running from a mounted DMG.\n\n1. Drag Velto.app to Applications.\n"
             "2. Open Velto from Applications.\n3. If blocked once, right-click Velto and "
             "choose Open."),
         {QStringLiteral("Open Applications"), QStringLiteral("Quit")}});
    if (choice == 0) {
        m_services.workspace.openDirectory(QStringLiteral("/Applications"));
        m_services.workspace.revealInFileViewer(m_services.bundlePath);
    }
    m_services.terminate();
    return true;
}

void AppDelegate::configureHotkey()
{
    m_hotkeyManager->configure(m_model->selectedShortcutKeyCode(),
                               m_model->shortcutRequiresShift());
    ensureHotkeyRegistration();
    // Scheduled, never run inline: the press arrives inside the key tap's own callback.
    QPointer<AppDelegate> self(this);
    m_hotkeyManager->onHotkey = [self] {
        QTimer::singleShot(0, self, [self] {
            if (self)
                self->triggerRewriteFromSelection();
        });
    };
    ensureHotkeyRegistration();
}

void AppDelegate::ensureHotkeyRegistration()
{
    if (m_hotkeyManager->start())
        return;
    ClientLogger::warning(u"hotkey unavailable: ",
                          m_hotkeyManager->lastError().value_or(QStringLiteral("unknown")));
}

void AppDelegate::recordPermissionState()
{
    SessionCapabilities capabilities = m_services.permissions.capabilities();
    DesktopShortcuts& desktop = m_services.desktopShortcuts;
    if (capabilities.shortcutRoute == GlobalShortcutRoute::keyGrab)
        capabilities.shortcutTaken = capabilities.shortcutTaken || m_hotkeyManager->shortcutTaken();
    capabilities.unavailableShortcuts = desktop.reservedShortcuts();
    if (capabilities.shortcutTaken) {
        const ParsedShortcut current{m_model->shortcutKeyID(), m_model->shortcutRequiresShift()};
        if (!capabilities.unavailableShortcuts.contains(current))
            capabilities.unavailableShortcuts.append(current);
    }
    if (capabilities.shortcutRoute == GlobalShortcutRoute::unavailable) {
        // No shortcut of our own: the desktop's settings may run `velto --trigger` instead.
        if (const std::optional<TriggerShortcut> trigger = desktop.triggerShortcut()) {
            capabilities.shortcutRoute = GlobalShortcutRoute::desktopCustomShortcut;
            capabilities.shortcutProblem.clear();
            capabilities.ownsDesktopShortcut = trigger->ownedByVelto;
        } else {
            capabilities.canAddDesktopShortcut = desktop.supportsCustomShortcut();
        }
    }
    m_model->setCapabilities(capabilities);
}

void AppDelegate::showSetupGuide()
{
    // Marked first: the guide never comes back, whatever happens while it is open.
    m_model->markFirstRunGuideShown();
    m_services.activateSelf();
    const int choice = m_services.alerts.runModal(
        {AlertStyle::informational,
         QCoreApplication::translate("Notices", "Finish Velto setup"),
         QCoreApplication::translate(
             "Notices",
             "Velto works best once these three steps are complete:\n\n1. Check that the global "
             "shortcut works in this session.\n2. Check that Velto can replace text here, through "
             "the accessibility bus or a synthetic paste.\n3. Sign in, then test one rewrite with "
             "%1.\n\nOpen Setup to finish everything in one place.")
             .arg(m_model->shortcutDisplay()),
         {QCoreApplication::translate("Notices", "Open Setup"),
          QCoreApplication::translate("Notices", "Later")}});
    if (choice == 0)
        openSettings();
}

void AppDelegate::applicationDidBecomeActive()
{
    if (!m_model)
        return;
    ensureHotkeyRegistration();
    recordPermissionState();
}

void AppDelegate::applicationWillTerminate()
{
    if (m_clipboardGuard)
        m_clipboardGuard->cancel();
    cancelWebLoginFlow();
    m_hotkeyManager->stop();
}

void AppDelegate::openSettings()
{
    ClientLogger::info(u"settings requested");
    emit settingsRequested();
    if (!m_windows)
        return;
    m_windows->closeQuickPanel();
    // The window shows the permissions as they are now.
    if (m_model)
        recordPermissionState();
    m_windows->showSettings();
}

void AppDelegate::toggleQuickPanel()
{
    emit quickPanelToggleRequested();
    if (!m_windows || !m_model)
        return;
    recordPermissionState();
    if (m_windows->quickPanelShown()) {
        m_windows->closeQuickPanel();
        return;
    }
    m_appBeforePanel = m_services.workspace.frontmostApplication();
    m_windows->showQuickPanel();
    ClientLogger::info(u"quick panel opened");
}

void AppDelegate::rewriteFromQuickPanel()
{
    if (m_windows)
        m_windows->closeQuickPanel();
    if (!m_model || m_rewriteInFlight || m_panelRewritePending)
        return;
    runRewriteAfterPanel(m_appBeforePanel);
}

QCoro::Task<> AppDelegate::runRewriteAfterPanel(std::optional<RunningApplication> previous)
{
    TaskScope scope(*this);
    m_panelRewritePending = true;
    // The copy goes to whatever is in front: wait for the window manager to give the focus
    // back, and ask for it after a while if it has not.
    constexpr int attempts = 40;
    constexpr auto step = std::chrono::milliseconds(25);
    for (int i = 0; previous && i < attempts; ++i) {
        const std::optional<RunningApplication> front = m_services.workspace.frontmostApplication();
        if (front == previous || m_services.workspace.isTerminated(*previous))
            break;
        if (i == 8)
            m_services.workspace.activate(*previous);
        co_await m_services.sleeper.sleep(step);
    }
    m_panelRewritePending = false;
    triggerRewriteFromSelection();
}

void AppDelegate::openInputMonitoringSettings()
{
    m_services.permissions.requestInputMonitoring();
    openPermissionPage(PermissionPane::inputMonitoring);
}

void AppDelegate::openAccessibilitySettings()
{
    m_services.permissions.accessibilityTrusted(true);
    openPermissionPage(PermissionPane::accessibility);
}

void AppDelegate::useFreeShortcut()
{
    if (!m_model)
        return;
    const std::optional<ParsedShortcut> free = m_model->freeShortcut();
    if (!free)
        return;
    ClientLogger::info(u"shortcut taken; switching to ", ShortcutKeys::display(*free));
    m_model->chooseShortcut(free->keyID, free->requiresShift);
    applyShortcutChange();
}

void AppDelegate::addDesktopShortcut()
{
    if (!m_model)
        return;
    const ParsedShortcut combination{m_model->shortcutKeyID(), m_model->shortcutRequiresShift()};
    try {
        m_services.desktopShortcuts.setCustomShortcut(combination);
    } catch (const AppError& error) {
        m_model->setNotice(UserNoticeStyle::warning,
                           QCoreApplication::translate("Notices", "Shortcut not added"),
                           error.description());
        ClientLogger::error(u"desktop shortcut not added: ", error.description());
        recordPermissionState();
        return;
    }
    m_model->setNotice(UserNoticeStyle::success,
                       QCoreApplication::translate("Notices", "Shortcut added to GNOME"),
                       QCoreApplication::translate(
                           "Notices", "Press %1 in any application to rewrite the selected text.")
                           .arg(m_model->shortcutDisplay()));
    recordPermissionState();
}

void AppDelegate::removeDesktopShortcut()
{
    if (!m_model)
        return;
    try {
        m_services.desktopShortcuts.removeCustomShortcut();
    } catch (const AppError& error) {
        m_model->setNotice(UserNoticeStyle::warning,
                           QCoreApplication::translate("Notices", "Shortcut not removed"),
                           error.description());
        ClientLogger::error(u"desktop shortcut not removed: ", error.description());
    }
    recordPermissionState();
}

void AppDelegate::updateDesktopShortcut()
{
    // Only Velto's own custom shortcut follows the combination; one the user made is theirs.
    const std::optional<TriggerShortcut> trigger = m_services.desktopShortcuts.triggerShortcut();
    if (!trigger || !trigger->ownedByVelto)
        return;
    const ParsedShortcut combination{m_model->shortcutKeyID(), m_model->shortcutRequiresShift()};
    if (trigger->combination == combination)
        return;
    try {
        m_services.desktopShortcuts.setCustomShortcut(combination);
    } catch (const AppError& error) {
        m_model->setNotice(UserNoticeStyle::warning,
                           QCoreApplication::translate("Notices", "Shortcut not updated"),
                           error.description());
        ClientLogger::error(u"desktop shortcut not updated: ", error.description());
    }
}

void AppDelegate::openPermissionPage(PermissionPane pane)
{
    const QUrl url = m_permissionPages ? m_permissionPages(pane) : QUrl();
    if (url.isValid())
        m_services.workspace.openURL(url);
}

void AppDelegate::updateLaunchAtLogin(bool enabled)
{
    try {
        if (enabled)
            m_services.loginItems.registerApp();
        else
            m_services.loginItems.unregisterApp();
    } catch (const AppError& error) {
        m_services.activateSelf();
        m_services.alerts.runModal({AlertStyle::warning,
                                    QCoreApplication::translate("Notices", "Launch at login"),
                                    error.description(),
                                    {}});
        if (m_model)
            m_model->setLaunchAtLogin(m_services.loginItems.status() == LoginItemStatus::enabled);
    }
}

void AppDelegate::applyShortcutChange()
{
    if (!m_model)
        return;
    m_hotkeyManager->configure(m_model->selectedShortcutKeyCode(),
                               m_model->shortcutRequiresShift());
    ensureHotkeyRegistration();
    updateDesktopShortcut();
    recordPermissionState();
}

void AppDelegate::startPulseAnimation()
{
    m_pulsing = true;
    emit pulseChanged(true);
}

void AppDelegate::stopPulseAnimation()
{
    if (!m_pulsing)
        return;
    m_pulsing = false;
    emit pulseChanged(false);
}

// MARK: rewrite

void AppDelegate::triggerRewriteFromSelection()
{
    if (!m_model || m_rewriteInFlight)
        return;
    m_rewriteInFlight = true;
    // The clipboard now belongs to this rewrite; the last one's guard must not touch it.
    if (m_clipboardGuard)
        m_clipboardGuard->cancel();
    runRewrite(m_services.workspace.frontmostApplication());
}

bool AppDelegate::promptSignInRequired()
{
    m_services.activateSelf();
    return m_services.alerts.runModal({AlertStyle::warning,
                                       QCoreApplication::translate("Notices", "Sign in required"),
                                       QCoreApplication::translate(
                                           "Notices", "You need to sign in before rewriting text."),
                                       {QCoreApplication::translate("Notices", "Log in"),
                                        QCoreApplication::translate("Notices", "Cancel")}}) == 0;
}

QCoro::Task<> AppDelegate::runRewrite(std::optional<RunningApplication> source)
{
    TaskScope scope(*this);
    AppModel& model = *m_model;
    // The closing steps, on every way out.
    auto closing = qScopeGuard([this, &model] {
        m_rewriteInFlight = false;
        stopPulseAnimation();
        if (model.rewriteState().kind() == RewriteState::Kind::running)
            model.setRewriteState(RewriteState::idle());
    });

    model.setStatusError(std::nullopt);
    model.clearNotice();
    recordPermissionState();
    // A rewrite needs a way to put the text back, not the shortcut: `velto --trigger` and the
    // panel's button work whatever the shortcut's state.
    if (model.accessibilityGranted() != true) {
        model.setNotice(
            UserNoticeStyle::warning,
            QCoreApplication::translate("Notices", "Text replacement unavailable"),
            QCoreApplication::translate("Notices", "%1 Open Setup to see what this desktop offers.")
                .arg(model.capabilities().replacementProblem));
        co_return;
    }

    const bool canAuthorize = co_await m_services.auth.canAuthorize(model);
    {
        const AuthState synced = co_await m_services.auth.syncAuthState(model);
        model.setAuthState(synced);
    }
    if (!canAuthorize) {
        if (promptSignInRequired())
            startSignIn();
        co_return;
    }

    std::optional<SelectedRange> range;
    const std::optional<QString> text = co_await m_selection->selectedTextFromFocusedApp(&range);
    if (!text || text->isEmpty()) {
        const QString message = QCoreApplication::translate("Notices", "No text selected.");
        model.setStatusError(message);
        model.setRewriteState(RewriteState::failed(message));
        model.setNotice(UserNoticeStyle::warning,
                        QCoreApplication::translate("Notices", "No text selected"),
                        QCoreApplication::translate(
                            "Notices", "Select text in another app, then press %1 again.")
                            .arg(model.shortcutDisplay()));
        co_return;
    }

    startPulseAnimation();
    model.setRewriteState(RewriteState::running());
    ClientLogger::info(u"rewrite started");

    QString rewritten;
    try {
        rewritten = co_await m_services.rewriteAPI.rewrite(*text, model, m_services.auth);
    } catch (const AppError& error) {
        const PresentableError presented = presentableRuntimeError(
            error.description(), QCoreApplication::translate("Notices", "Rewrite failed"));
        model.setStatusError(presented.message);
        model.setRewriteState(RewriteState::failed(presented.message));
        model.setNotice(presented.style, presented.title, presented.message);
        ClientLogger::error(u"rewrite failed: ", error.description());
        co_return;
    }

    PasteboardSnapshot restored;
    const SelectionService::PasteOutcome outcome =
        co_await m_selection->replaceSelection(rewritten, range, source, &restored);
    if (outcome == SelectionService::PasteOutcome::applicationSwitched)
        co_return; // the user went on elsewhere: nothing pasted, clipboard given back
    if (outcome == SelectionService::PasteOutcome::pasteFailed) {
        // Nothing was pasted: the rewritten text stays on the clipboard for the user to paste,
        // rather than being thrown away with a success notice.
        const QString message =
            QCoreApplication::translate("Notices", "Velto couldn't paste the rewritten text. It is "
                                                   "on the clipboard: paste it with Ctrl+V.");
        model.setStatusError(message);
        model.setRewriteState(RewriteState::failed(message));
        model.setNotice(UserNoticeStyle::warning,
                        QCoreApplication::translate("Notices", "Paste failed"), message);
        ClientLogger::error(u"rewrite failed: ", u"the paste key could not be posted");
        co_return;
    }
    if (outcome == SelectionService::PasteOutcome::halfReplaced) {
        // The application took part of the edit: pasting on top of it would write the text
        // twice, so the user gets it to put in place.
        const QString message = QCoreApplication::translate(
            "Notices", "Velto couldn't finish replacing the selected text, so the document may be "
                       "partly changed. The rewritten text is on the clipboard: check the document "
                       "and paste it with Ctrl+V.");
        model.setStatusError(message);
        model.setRewriteState(RewriteState::failed(message));
        model.setNotice(UserNoticeStyle::warning,
                        QCoreApplication::translate("Notices", "Replacement incomplete"), message);
        ClientLogger::error(u"rewrite failed: ", u"the replacement was left half done");
        co_return;
    }

    if (model.soundOnCompletion())
        m_services.sound.playCompletionSound();
    model.setStatusError(std::nullopt);
    model.setRewriteState(RewriteState::succeeded());
    model.setNotice(
        UserNoticeStyle::success, QCoreApplication::translate("Notices", "Rewrite complete"),
        //: %1 is a tone such as "Professional"
        QCoreApplication::translate("Notices", "Your selected text was replaced using %1.")
            .arg(model.currentToneTitle()));
    ClientLogger::info(u"rewrite succeeded");
    if (outcome != SelectionService::PasteOutcome::pasted)
        co_return; // replaced in place: the clipboard was never touched
    m_clipboardGuard = std::make_shared<CancellationToken>();
    runClipboardGuard(restored, rewritten, m_clipboardGuard);
}

QCoro::Task<> AppDelegate::runClipboardGuard(PasteboardSnapshot snapshot, QString pasted,
                                             std::shared_ptr<CancellationToken> token)
{
    TaskScope scope(*this);
    co_await m_selection->guardRestoredClipboard(std::move(snapshot), std::move(pasted), token);
}

// MARK: sign-in

void AppDelegate::startSignIn()
{
    if (!m_model)
        return;
    m_model->setStatusError(std::nullopt);
    m_model->setNotice(
        UserNoticeStyle::info, QCoreApplication::translate("Notices", "Continue in your browser"),
        QCoreApplication::translate(
            "Notices",
            "A sign-in page will open. Come back to Velto once the browser step is complete."));
    ClientLogger::info(u"auth sign-in requested");
    cancelWebLoginFlow();
    m_model->setAuthState(AuthState::signingIn());
    m_webLoginToken = std::make_shared<CancellationToken>();
    runSignInStart(m_webLoginToken);
}

void AppDelegate::failSignIn(const QString& text, const char* logPrefix)
{
    m_model->setStatusError(text);
    m_model->setNotice(UserNoticeStyle::error,
                       QCoreApplication::translate("Notices", "Sign in failed"), text);
    ClientLogger::error(QString::fromLatin1(logPrefix), text);
}

QCoro::Task<> AppDelegate::runSignInStart(std::shared_ptr<CancellationToken> token)
{
    TaskScope scope(*this);
    const QString nonce = AuthService::randomDeviceNonce();
    QString failure;
    WebLoginStart start;
    try {
        start = co_await m_services.auth.startWebLogin(*m_model, nonce);
    } catch (const AppError& error) {
        failure = error.description();
    }
    if (token->isCancelled()) {
        // Superseded while the start was out: abandon the handoff it made, quietly.
        if (failure.isEmpty())
            runCancelWebLogin({start.handoffID, start.deviceNonce});
        co_return;
    }
    if (failure.isEmpty()) {
        m_pendingWebLogin = PendingWebLogin{start.handoffID, start.deviceNonce};
        if (start.userCode)
            m_model->setNotice(
                UserNoticeStyle::info,
                QCoreApplication::translate("Notices", "Continue in your browser"),
                QCoreApplication::translate("Notices", "Confirm the code %1 in your browser.")
                    .arg(*start.userCode));
        if (!m_services.workspace.openURL(start.loginURL)) {
            m_pendingWebLogin.reset();
            failure = AuthServiceError::webLoginBrowserOpenFailed().description();
        }
    }
    if (!failure.isEmpty()) {
        failSignIn(failure, "auth login start failed: ");
        endWebLoginFlow(token);
        {
            const AuthState synced = co_await m_services.auth.syncAuthState(*m_model);
            m_model->setAuthState(synced);
        }
        co_return;
    }
    ClientLogger::info(u"auth login started");
    beginWebLoginPolling(start, token);
}

void AppDelegate::beginWebLoginPolling(const WebLoginStart& start,
                                       std::shared_ptr<CancellationToken> token)
{
    m_webLoginToken = token;
    runPollLoop(start, std::move(token));
}

void AppDelegate::endWebLoginFlow(const std::shared_ptr<CancellationToken>& token)
{
    // A loop that was replaced by a newer sign-in must not clear the newer one's handoff.
    if (m_webLoginToken != token)
        return;
    m_webLoginToken.reset();
    m_pendingWebLogin.reset();
}

QCoro::Task<> AppDelegate::runPollLoop(WebLoginStart start,
                                       std::shared_ptr<CancellationToken> token)
{
    TaskScope scope(*this);
    AuthService& auth = m_services.auth;
    QString failure;
    try {
        for (;;) {
            if (m_services.clock.now() >= start.expiresAt)
                throw AuthServiceError::webLoginTimedOut();
            if (token->isCancelled())
                break;
            const WebLoginPollState state =
                co_await auth.pollWebLogin(*m_model, start.handoffID, start.deviceNonce);
            if (token->isCancelled())
                break;
            if (state.kind() == WebLoginPollState::Kind::pending) {
                if (!co_await m_services.sleeper.sleep(
                        std::chrono::milliseconds(start.pollIntervalMs), token))
                    break;
                continue;
            }
            if (state.kind() == WebLoginPollState::Kind::failed)
                throw AuthServiceError::webLoginFailed(
                    AuthService::humanReadableHandoffFailure(state.reason()));
            co_await auth.exchangeWebLogin(*m_model, start.handoffID, start.deviceNonce,
                                           state.exchangeCode());
            break;
        }
    } catch (const AppError& error) {
        failure = error.description();
    }

    if (token->isCancelled()) {
        // Cancellation is silent; the fields belong to whoever cancelled.
        endWebLoginFlow(token);
        co_return;
    }
    if (!failure.isEmpty()) {
        failSignIn(failure, "auth polling failed: ");
        {
            const AuthState synced = co_await auth.syncAuthState(*m_model);
            m_model->setAuthState(synced);
        }
        endWebLoginFlow(token);
        co_return;
    }
    ClientLogger::info(u"auth login completed");
    m_model->setStatusError(std::nullopt);
    m_model->setNotice(
        UserNoticeStyle::success, QCoreApplication::translate("Notices", "Account connected"),
        QCoreApplication::translate("Notices", "You're signed in and ready to rewrite text."));
    {
        const AuthState synced = co_await auth.syncAuthState(*m_model);
        m_model->setAuthState(synced);
    }
    co_await m_services.rewriteAPI.refreshServerConfig(*m_model, auth);
    endWebLoginFlow(token);
}

void AppDelegate::cancelWebLoginFlow()
{
    if (m_webLoginToken) {
        m_webLoginToken->cancel();
        m_webLoginToken.reset();
    }
    if (m_pendingWebLogin) {
        const PendingWebLogin pending = *m_pendingWebLogin;
        m_pendingWebLogin.reset();
        runCancelWebLogin(pending);
    }
}

QCoro::Task<> AppDelegate::runCancelWebLogin(PendingWebLogin pending)
{
    TaskScope scope(*this);
    co_await m_services.auth.cancelWebLogin(*m_model, pending.handoffID, pending.deviceNonce);
}

void AppDelegate::signOut()
{
    if (!m_model)
        return;
    cancelWebLoginFlow();
    runSignOut();
}

QCoro::Task<> AppDelegate::runSignOut()
{
    TaskScope scope(*this);
    std::optional<AppError> keyringFailure;
    try {
        co_await m_services.auth.signOut(*m_model);
    } catch (const AppError& error) {
        keyringFailure = error;
    }
    m_model->setStatusError(std::nullopt);
    if (keyringFailure)
        m_model->setNotice(
            UserNoticeStyle::warning, QCoreApplication::translate("Notices", "Sign-out incomplete"),
            QCoreApplication::translate(
                "Notices", "Velto is signed out for now, but the session is still in the system "
                           "keyring and may sign you in again at the next start. %1")
                .arg(keyringFailure->description()));
    else
        m_model->setNotice(UserNoticeStyle::info,
                           QCoreApplication::translate("Notices", "Signed out"),
                           QCoreApplication::translate(
                               "Notices", "Velto is disconnected until you sign in again."));
    {
        const AuthState synced = co_await m_services.auth.syncAuthState(*m_model);
        m_model->setAuthState(synced);
    }
    m_model->resetToFallbackCatalog();
    ClientLogger::info(u"auth signed out");
}

} // namespace velto
