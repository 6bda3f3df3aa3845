#include "app/DesktopWindows.h"

#include "app/AppDelegate.h"
#include "model/ClientLogger.h"
#include "ui/PreviewViewController.h"
#include "ui/QuickPanelViewController.h"
#include "ui/SettingsViewController.h"
#include "ui/TrayIcon.h"
#include "ui/ViewEngine.h"

#include <QCursor>
#include <QPointer>
#include <QQuickView>
#include <QSystemTrayIcon>

namespace velto {

namespace {

// A handler that reaches the controller while it lives and does nothing after.
template <typename Call> std::function<void()> weakly(AppDelegate& delegate, Call call)
{
    return [self = QPointer<AppDelegate>(&delegate), call] {
        if (self)
            call(*self);
    };
}

} // namespace

DesktopWindows::DesktopWindows(AppDelegate& delegate, QObject* parent)
    : QObject(parent), m_delegate(delegate), m_engine(std::make_unique<ViewEngine>()),
      m_trayIcon(std::make_unique<TrayIcon>())
{
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        ClientLogger::warning(u"no system tray: ",
                              u"run velto again or use its launcher to open the settings");
    connect(m_trayIcon.get(), &TrayIcon::clicked, &delegate, &AppDelegate::toggleQuickPanel);
    connect(&delegate, &AppDelegate::pulseChanged, m_trayIcon.get(), &TrayIcon::setPulsing);
}

DesktopWindows::~DesktopWindows() = default;

bool DesktopWindows::quickPanelShown()
{
    return m_quickPanel && (m_quickPanel->isShown() || m_quickPanel->closedByFocusLossJustNow());
}

void DesktopWindows::showQuickPanel()
{
    if (!m_delegate.model())
        return;
    if (!m_quickPanel) {
        AppDelegate& d = m_delegate;
        m_quickPanel = std::make_unique<QuickPanelViewController>(
            *d.model(),
            QuickPanelViewController::Handlers{
                weakly(d, [](AppDelegate& c) { c.rewriteFromQuickPanel(); }),
                weakly(d, [](AppDelegate& c) { c.openSettings(); }),
                weakly(d, [](AppDelegate& c) { c.startSignIn(); }),
                weakly(d, [](AppDelegate& c) { c.signOut(); }),
                weakly(d, [](AppDelegate& c) { c.openShortcutHelp(); }),
                weakly(d, [](AppDelegate& c) { c.openTextReplacementHelp(); }),
                [self = QPointer<AppDelegate>(&d)] {
                    if (self)
                        self->quit();
                },
                weakly(d, [](AppDelegate& c) { c.useFreeShortcut(); }),
                weakly(d, [](AppDelegate& c) { c.addDesktopShortcut(); })},
            *m_engine);
    }
    m_quickPanel->show(m_trayIcon->geometry(), QCursor::pos());
}

void DesktopWindows::closeQuickPanel()
{
    if (m_quickPanel)
        m_quickPanel->close();
}

void DesktopWindows::showSettings()
{
    if (!m_delegate.model())
        return;
    if (!m_settings) {
        AppDelegate& d = m_delegate;
        m_settings = std::make_unique<SettingsViewController>(
            *d.model(),
            SettingsViewController::Handlers{
                [self = QPointer<AppDelegate>(&d)](bool enabled) {
                    if (self)
                        self->updateLaunchAtLogin(enabled);
                },
                weakly(d, [](AppDelegate& c) { c.applyShortcutChange(); }),
                weakly(d, [](AppDelegate& c) { c.startSignIn(); }),
                weakly(d, [](AppDelegate& c) { c.signOut(); }),
                weakly(d, [](AppDelegate& c) { c.openShortcutHelp(); }),
                weakly(d, [](AppDelegate& c) { c.openTextReplacementHelp(); }),
                weakly(d, [](AppDelegate& c) { c.useFreeShortcut(); }),
                weakly(d, [](AppDelegate& c) { c.addDesktopShortcut(); }),
                weakly(d, [](AppDelegate& c) { c.removeDesktopShortcut(); })},
            *m_engine);
    }
    m_settings->show();
}

bool DesktopWindows::showPreview(PreviewPresenter& presenter, std::optional<QRect> selection)
{
    if (!m_delegate.model())
        return false;
    closeQuickPanel();
    if (!m_preview)
        m_preview =
            std::make_unique<PreviewViewController>(*m_delegate.model(), presenter, *m_engine);
    return m_preview->show(selection, QCursor::pos());
}

void DesktopWindows::closePreview()
{
    if (m_preview)
        m_preview->close();
}

} // namespace velto
