#include "app/ShortcutSetup.h"

#include "model/AppError.h"
#include "model/AppModel.h"
#include "model/ClientLogger.h"
#include "platform/DesktopShortcuts.h"
#include "platform/SessionAccess.h"
#include "system/HotkeyManager.h"

#include <QCoreApplication>

namespace velto {

ShortcutSetup::ShortcutSetup(AppServices services, AppModel& model)
    : m_services(std::move(services)), m_model(model),
      m_hotkeyManager(std::make_unique<HotkeyManager>(m_services.sessionAccess, m_services.keyTap,
                                                      m_services.keyMonitor))
{
}

ShortcutSetup::~ShortcutSetup()
{
    m_hotkeyManager->onHotkey = nullptr;
}

void ShortcutSetup::configure(std::function<void()> onPress)
{
    m_hotkeyManager->configure(m_model.selectedShortcut());
    ensureRegistration();
    m_hotkeyManager->onHotkey = std::move(onPress);
    ensureRegistration();
}

void ShortcutSetup::ensureRegistration()
{
    // Retried at launch, on every activation and every change of the session: the journal
    // gets a line when the state changes, not one per retry.
    if (m_stopped)
        return;
    if (m_hotkeyManager->start()) {
        if (m_reportedProblem)
            ClientLogger::info(u"hotkey available again");
        m_reportedProblem.reset();
        return;
    }
    const QString problem = m_hotkeyManager->lastError().value_or(QStringLiteral("unknown"));
    if (problem == m_reportedProblem)
        return;
    ClientLogger::warning(u"hotkey unavailable: ", problem);
    m_reportedProblem = problem;
}

void ShortcutSetup::recordCapabilities()
{
    SessionCapabilities capabilities = m_services.sessionAccess.capabilities();
    DesktopShortcuts& desktop = m_services.desktopShortcuts;
    if (capabilities.shortcutRoute == GlobalShortcutRoute::keyGrab)
        capabilities.shortcutTaken = capabilities.shortcutTaken || m_hotkeyManager->shortcutTaken();
    // The model offers free combinations as letters and Shift flags, as it stores its own.
    for (const QKeyCombination reserved : desktop.reservedShortcuts()) {
        const std::optional<ParsedShortcut> letter = ShortcutKeys::parsedShortcut(reserved);
        if (letter && !capabilities.unavailableShortcuts.contains(*letter))
            capabilities.unavailableShortcuts.append(*letter);
    }
    if (capabilities.shortcutTaken) {
        const ParsedShortcut current{m_model.shortcutKeyID(), m_model.shortcutRequiresShift()};
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
    m_model.setCapabilities(capabilities);
}

void ShortcutSetup::useFreeShortcut()
{
    const std::optional<ParsedShortcut> free = m_model.freeShortcut();
    if (!free)
        return;
    ClientLogger::info(u"shortcut taken; switching to ", ShortcutKeys::display(*free));
    m_model.chooseShortcut(free->keyID, free->requiresShift);
    applyShortcutChange();
}

void ShortcutSetup::applyShortcutChange()
{
    m_hotkeyManager->configure(m_model.selectedShortcut());
    ensureRegistration();
    updateDesktopShortcut();
    recordCapabilities();
}

void ShortcutSetup::addDesktopShortcut()
{
    try {
        m_services.desktopShortcuts.setCustomShortcut(m_model.selectedShortcut());
    } catch (const AppError& error) {
        m_model.setNotice(UserNoticeStyle::warning,
                          QCoreApplication::translate("Notices", "Shortcut not added"),
                          error.description());
        ClientLogger::error(u"desktop shortcut not added: ", error.description());
        recordCapabilities();
        return;
    }
    m_model.setNotice(UserNoticeStyle::success,
                      QCoreApplication::translate("Notices", "Shortcut added to GNOME"),
                      QCoreApplication::translate(
                          "Notices", "Press %1 in any application to rewrite the selected text.")
                          .arg(m_model.shortcutDisplay()));
    recordCapabilities();
}

void ShortcutSetup::removeDesktopShortcut()
{
    try {
        m_services.desktopShortcuts.removeCustomShortcut();
    } catch (const AppError& error) {
        m_model.setNotice(UserNoticeStyle::warning,
                          QCoreApplication::translate("Notices", "Shortcut not removed"),
                          error.description());
        ClientLogger::error(u"desktop shortcut not removed: ", error.description());
    }
    recordCapabilities();
}

void ShortcutSetup::updateDesktopShortcut()
{
    // Only Velto's own custom shortcut follows the combination; one the user made is theirs.
    const std::optional<TriggerShortcut> trigger = m_services.desktopShortcuts.triggerShortcut();
    if (!trigger || !trigger->ownedByVelto)
        return;
    const QKeyCombination combination = m_model.selectedShortcut();
    if (trigger->combination == combination)
        return;
    try {
        m_services.desktopShortcuts.setCustomShortcut(combination);
    } catch (const AppError& error) {
        m_model.setNotice(UserNoticeStyle::warning,
                          QCoreApplication::translate("Notices", "Shortcut not updated"),
                          error.description());
        ClientLogger::error(u"desktop shortcut not updated: ", error.description());
    }
}

void ShortcutSetup::stop()
{
    m_stopped = true;
    m_hotkeyManager->stop();
}

} // namespace velto
