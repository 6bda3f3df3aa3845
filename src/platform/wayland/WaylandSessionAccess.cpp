#include "platform/wayland/WaylandSessionAccess.h"

#include "platform/wayland/PortalKeyTap.h"
#include "platform/wayland/PortalSyntheticKeys.h"
#include "platform/wayland/WaylandClipboard.h"

#include "model/ShortcutKeys.h"

namespace velto {

WaylandSessionAccess::WaylandSessionAccess(PortalKeyTap& shortcut, PortalSyntheticKeys& keys,
                                           WaylandClipboard& clipboard)
    : m_shortcut(shortcut), m_keys(keys), m_clipboard(clipboard)
{
}

bool WaylandSessionAccess::shortcutAvailable()
{
    return m_shortcut.state() == PortalKeyTap::State::bound;
}

void WaylandSessionAccess::requestShortcut()
{
    // A portal known to be missing stays missing for this session; no point asking again.
    const auto state = m_shortcut.state();
    if (state == PortalKeyTap::State::unbound || state == PortalKeyTap::State::failed)
        m_shortcut.bind(m_shortcut.requestedShortcut());
}

bool WaylandSessionAccess::syntheticPasteAvailable()
{
    return m_keys.state() == PortalSyntheticKeys::State::started && m_clipboard.isAvailable();
}

bool WaylandSessionAccess::requestSyntheticPaste()
{
    const auto state = m_keys.state();
    if (state == PortalSyntheticKeys::State::stopped || state == PortalSyntheticKeys::State::failed)
        m_keys.startSession();
    return syntheticPasteAvailable();
}

SessionCapabilities WaylandSessionAccess::capabilities()
{
    SessionCapabilities capabilities;
    switch (m_shortcut.state()) {
    case PortalKeyTap::State::bound:
        capabilities.shortcutRoute = GlobalShortcutRoute::desktopPortal;
        capabilities.shortcutTaken =
            !triggerMatches(m_shortcut.trigger(), m_shortcut.requestedShortcut());
        break;
    case PortalKeyTap::State::missing:
        capabilities.shortcutProblem = tr("This desktop has no global shortcut portal.");
        break;
    case PortalKeyTap::State::failed:
        capabilities.shortcutProblem =
            tr("The desktop's global shortcut portal did not bind the shortcut.");
        break;
    case PortalKeyTap::State::unbound:
    case PortalKeyTap::State::binding:
        capabilities.shortcutProblem = tr("Waiting for the desktop's global shortcut portal.");
        break;
    }
    capabilities.pasteReplacement = syntheticPasteAvailable();
    capabilities.accessibilityReplacement = m_accessibilityBus.available();
    if (!capabilities.replacementWorks())
        capabilities.replacementProblem =
            tr("This desktop offers neither an accessibility bus (AT-SPI) nor a synthetic paste "
               "(a RemoteDesktop portal with a data-control clipboard).");
    return capabilities;
}

bool WaylandSessionAccess::triggerMatches(const QString& trigger, QKeyCombination shortcut)
{
    QStringList ids;
    for (const ShortcutKeyOption& key : ShortcutKeys::availableShortcutKeys())
        ids << key.id;
    const std::optional<ParsedShortcut> assigned = ShortcutKeys::parseShortcutInput(trigger, ids);
    // Ctrl or Alt in the description would be a different combination the parser ignores.
    const QString lower = trigger.toLower();
    if (lower.contains(u"ctrl") || lower.contains(u"control") || lower.contains(u"alt"))
        return false;
    return assigned && ShortcutKeys::combination(*assigned) == shortcut;
}

} // namespace velto
