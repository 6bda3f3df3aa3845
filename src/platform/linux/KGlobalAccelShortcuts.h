#pragma once

#include "platform/DesktopShortcuts.h"

#include <QDBusConnection>
#include <QString>
#include <QStringList>

namespace velto {

// Plasma's global shortcuts as its kglobalaccel daemon holds them for every program: KWin, the
// lock screen, Klipper, and whatever registered through the GlobalShortcuts portal. Plasma's
// portal reports the keys it was asked for even when kglobalaccel gave them to another program,
// so this is where a taken combination shows. Read-only: Velto's own keys are bound through the
// portal, and Plasma has no custom shortcut for Velto to add.
class KGlobalAccelShortcuts : public DesktopShortcuts
{
public:
    // The whole read gives up after this long: it runs while the panel or settings open.
    static constexpr int readBudgetMs = 500;
    // currentDesktop: XDG_CURRENT_DESKTOP; true for Plasma ("KDE").
    static bool runsOn(const QString& currentDesktop);

    // ownComponents: the kglobalaccel components that are Velto's own (its portal session's
    // token, its application id), whose keys are not taken from Velto.
    KGlobalAccelShortcuts(QDBusConnection bus, QStringList ownComponents);

    QList<QKeyCombination> reservedShortcuts() override;
    bool supportsCustomShortcut() override { return false; }
    std::optional<TriggerShortcut> triggerShortcut() override { return std::nullopt; }
    void setCustomShortcut(QKeyCombination combination) override;
    void removeCustomShortcut() override {}

private:
    QDBusConnection m_bus;
    QStringList m_ownComponents;
    bool m_saidUnreadable = false;
};

} // namespace velto
