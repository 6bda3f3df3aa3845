#pragma once

#include "fakes/platform/FakeFocusedSelection.h"
#include "model/InMemoryPreferences.h"
#include "platform/TimerSleeper.h"
#include "platform/linux/DesktopLauncher.h"
#include "platform/wayland/PortalKeyTap.h"
#include "platform/wayland/PortalSyntheticKeys.h"
#include "platform/wayland/WaylandClipboard.h"
#include "platform/wayland/WaylandConnection.h"
#include "platform/wayland/WaylandKeyMonitor.h"
#include "platform/wayland/WaylandSessionAccess.h"
#include "platform/wayland/WaylandWorkspace.h"
#include "system/HotkeyManager.h"
#include "system/SelectionService.h"

#include <QDBusConnection>
#include <QTest>

namespace velto::test {

// Velto's side on the real Wayland adapters and the portals of the given bus. The Qt test
// editor does not answer over AT-SPI, so the selection is read by a copy.
struct WaylandRig
{
    explicit WaylandRig(const QDBusConnection& bus = QDBusConnection::sessionBus()) : bus(bus) {}

    QDBusConnection bus;
    InMemoryPreferences preferences;
    WaylandConnection connection;
    WaylandClipboard clipboard{connection};
    PortalKeyTap tap{bus};
    PortalSyntheticKeys keys{bus, preferences};
    WaylandSessionAccess sessionAccess{tap, keys, clipboard};
    WaylandKeyMonitor monitor;
    HotkeyManager hotkeys{sessionAccess, tap, monitor};
    fakes::FakeFocusedSelection noSelection;
    DesktopLauncher launcher;
    WaylandWorkspace workspace{launcher};
    TimerSleeper sleeper;
    SelectionService service{noSelection, clipboard, keys, workspace, sleeper};

    // Binds Super+L and starts the keys' session; true once both are granted.
    bool startPortals()
    {
        tap.bind(QKeyCombination(Qt::MetaModifier, Qt::Key_L));
        keys.startSession();
        return QTest::qWaitFor(
            [&] {
                return sessionAccess.shortcutAvailable() && sessionAccess.syntheticPasteAvailable();
            },
            15000);
    }
};

} // namespace velto::test
