#pragma once

#include "platform/DesktopShortcuts.h"

#include <QDBusConnection>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QStringList>
#include <qcoro/qcorotask.h>

namespace velto {

// Plasma's global shortcuts as its kglobalaccel daemon holds them for every program: KWin, the
// lock screen, Klipper, and whatever registered through the GlobalShortcuts portal. Plasma's
// portal reports the keys it was asked for even when kglobalaccel gave them to another program,
// so this is where a taken combination shows. Read-only: Velto's own keys are bound through the
// portal, and Plasma has no custom shortcut for Velto to add.
class KGlobalAccelShortcuts : public QObject, public DesktopShortcuts
{
    Q_OBJECT

public:
    // A read gives up after this long.
    static constexpr int readBudgetMs = 2000;
    // Answers younger than this are not asked for again.
    static constexpr int refreshAfterMs = 1000;
    // currentDesktop: XDG_CURRENT_DESKTOP; true for Plasma ("KDE").
    static bool runsOn(const QString& currentDesktop);

    // ownComponents: the kglobalaccel components that are Velto's own (its portal session's
    // token, its application id), whose keys are not taken from Velto.
    KGlobalAccelShortcuts(QDBusConnection bus, QStringList ownComponents);

    // The last answer, at once (the panel opens on it); a newer one is asked for in the
    // background and announced by reservedShortcutsChanged.
    QList<QKeyCombination> reservedShortcuts() override;
    bool supportsCustomShortcut() override { return false; }
    std::optional<TriggerShortcut> triggerShortcut() override { return std::nullopt; }
    void setCustomShortcut(QKeyCombination combination) override;
    void removeCustomShortcut() override {}

    // Asks kglobalaccel now, whether or not a read is under way. Every component is asked at once:
    // Plasma has a few dozen, and one after the other would cost a round trip each.
    QCoro::Task<> refresh();

signals:
    void reservedShortcutsChanged();

private:
    void sayUnreadable();

    QDBusConnection m_bus;
    QStringList m_ownComponents;
    QList<QKeyCombination> m_reserved;
    QElapsedTimer m_lastRead;
    // Reads under way; each read's number, and that of the read whose answer stands.
    int m_reading = 0;
    quint64 m_reads = 0;
    quint64 m_applied = 0;
    bool m_saidUnreadable = false;
};

} // namespace velto
