#include "app/AppDelegate.h"

#include "app/AppWindows.h"
#include "model/AppError.h"
#include "model/AppModel.h"
#include "model/ClientLogger.h"
#include "platform/Alerts.h"
#include "platform/Autostart.h"
#include "platform/SessionAccess.h"
#include "platform/Workspace.h"

#include <QCoreApplication>
#include <QPointer>
#include <QTimer>

namespace velto {

AppDelegate::AppDelegate(AppServices services, QObject* parent)
    : QObject(parent), m_services(std::move(services))
{
}

AppDelegate::~AppDelegate() = default;

void AppDelegate::applicationDidFinishLaunching()
{
    runLaunch();
}

QCoro::Task<int> AppDelegate::ask(Alert alert)
{
    auto scope = m_tasks.scope();
    m_services.activateSelf();
    const int choice = co_await m_services.alerts.show(std::move(alert));
    co_return choice;
}

QCoro::Task<> AppDelegate::runLaunch()
{
    auto scope = m_tasks.scope();
    std::optional<AppBuildConfig> config;
    std::optional<AppError> configError;
    try {
        config = m_services.loadBuildConfig();
    } catch (const AppError& error) {
        configError = error;
    }
    if (configError) {
        const Alert alert{AlertStyle::warning,
                          QCoreApplication::translate("Notices", "Configuration error"),
                          configError->description(),
                          {}};
        co_await ask(alert);
        m_services.terminate();
        co_return;
    }

    m_model = std::make_unique<AppModel>(m_services.preferences, *config);
    m_shortcuts = std::make_unique<ShortcutSetup>(m_services, *m_model);
    m_signIn = std::make_unique<SignInFlow>(m_services, *m_model);
    m_rewrite = std::make_unique<RewriteFlow>(
        m_services, *m_model,
        RewriteFlow::Hooks{[this] { m_shortcuts->recordCapabilities(); },
                           [this] { m_signIn->start(); }});
    connect(m_rewrite.get(), &RewriteFlow::pulseChanged, this, &AppDelegate::pulseChanged);
    m_preview = std::make_unique<PreviewFlow>(m_services, *m_model, *m_rewrite,
                                              [this] { return m_windows; });

    configureHotkey();
    m_model->setLaunchAtLogin(m_services.autostart.status() == AutostartStatus::enabled);
    m_shortcuts->recordCapabilities();
    // Not awaited: the launch goes on while the guide is open.
    if (m_model->shouldShowFirstRunGuide())
        showSetupGuide();
    m_signIn->refresh();
}

void AppDelegate::configureHotkey()
{
    // Scheduled, never run inline: the press arrives inside the key tap's own callback.
    QPointer<AppDelegate> self(this);
    m_shortcuts->configure([self] {
        QTimer::singleShot(0, self, [self] {
            if (self)
                self->triggerRewriteFromSelection();
        });
    });
}

QCoro::Task<> AppDelegate::showSetupGuide()
{
    auto scope = m_tasks.scope();
    // Marked first: the guide never comes back, whatever happens while it is open.
    m_model->markFirstRunGuideShown();
    const Alert alert{
        AlertStyle::informational,
        QCoreApplication::translate("Notices", "Finish Velto setup"),
        QCoreApplication::translate(
            "Notices",
            "Velto works best once these three steps are complete:\n\n1. Check that the global "
            "shortcut works in this session.\n2. Check that Velto can replace text here, through "
            "the accessibility bus or a synthetic paste.\n3. Sign in, then test one rewrite with "
            "%1.\n\nOpen Setup to finish everything in one place.")
            .arg(m_model->shortcutDisplay()),
        {QCoreApplication::translate("Notices", "Open Setup"),
         QCoreApplication::translate("Notices", "Later")}};
    const int choice = co_await ask(alert);
    if (choice == 0)
        openSettings();
}

void AppDelegate::applicationDidBecomeActive()
{
    if (!m_shortcuts)
        return;
    m_shortcuts->ensureRegistration();
    m_shortcuts->recordCapabilities();
}

void AppDelegate::triggerRewriteFromSelection()
{
    if (m_model && m_model->previewBeforeReplacing() && m_windows)
        m_preview->trigger();
    else
        ifLaunched(m_rewrite, &RewriteFlow::trigger);
}

void AppDelegate::applicationWillTerminate()
{
    if (m_preview)
        m_preview->stop();
    if (m_rewrite)
        m_rewrite->stop();
    if (m_signIn)
        m_signIn->stop();
    if (m_shortcuts)
        m_shortcuts->stop();
    // Last: the callers an open alert resumes must find the flows already stopped.
    m_services.alerts.closeAll();
}

void AppDelegate::openSettings()
{
    ClientLogger::info(u"settings requested");
    emit settingsRequested();
    if (!m_windows)
        return;
    m_windows->closeQuickPanel();
    // The window shows the capabilities as they are now.
    if (m_shortcuts)
        m_shortcuts->recordCapabilities();
    m_windows->showSettings();
}

void AppDelegate::toggleQuickPanel()
{
    emit quickPanelToggleRequested();
    if (!m_windows || !m_shortcuts)
        return;
    m_shortcuts->recordCapabilities();
    if (m_windows->quickPanelShown()) {
        m_windows->closeQuickPanel();
        return;
    }
    m_appBeforePanel = m_services.workspace.activeApplication();
    m_windows->showQuickPanel();
    ClientLogger::info(u"quick panel opened");
}

void AppDelegate::rewriteFromQuickPanel()
{
    if (m_windows)
        m_windows->closeQuickPanel();
    if (m_rewrite)
        m_rewrite->triggerAfterPanel(m_appBeforePanel);
}

void AppDelegate::openShortcutHelp()
{
    m_services.sessionAccess.requestShortcut();
    openHelpPage(HelpPage::globalShortcut);
}

void AppDelegate::openTextReplacementHelp()
{
    m_services.sessionAccess.requestSyntheticPaste();
    openHelpPage(HelpPage::textReplacement);
}

void AppDelegate::openHelpPage(HelpPage page)
{
    const QUrl url = m_helpPages ? m_helpPages(page) : QUrl();
    if (url.isValid())
        m_services.workspace.openURL(url);
}

void AppDelegate::updateLaunchAtLogin(bool enabled)
{
    std::optional<AppError> failure;
    try {
        if (enabled)
            m_services.autostart.registerApp();
        else
            m_services.autostart.unregisterApp();
    } catch (const AppError& error) {
        failure = error;
    }
    if (!failure)
        return;
    // The switch shows the real state at once, while the alert says why.
    if (m_model)
        m_model->setLaunchAtLogin(m_services.autostart.status() == AutostartStatus::enabled);
    ask({AlertStyle::warning,
         QCoreApplication::translate("Notices", "Launch at login"),
         failure->description(),
         {}});
}

const std::optional<PendingWebLogin>& AppDelegate::pendingWebLogin() const
{
    static const std::optional<PendingWebLogin> none;
    return m_signIn ? m_signIn->pendingWebLogin() : none;
}

} // namespace velto
