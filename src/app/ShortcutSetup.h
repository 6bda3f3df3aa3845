#pragma once

#include "app/AppServices.h"

#include <QString>
#include <functional>
#include <memory>
#include <optional>

namespace velto {

class AppModel;
class HotkeyManager;

// The global shortcut and what the session offers for it: arms the listener for the model's
// combination, records the session's capabilities on the model, and keeps Velto's own desktop
// custom shortcut in step with the combination.
class ShortcutSetup
{
public:
    ShortcutSetup(AppServices services, AppModel& model);
    ~ShortcutSetup();

    // Arms the listener; `onPress` runs inside the listener's callback, so it should only
    // schedule work.
    void configure(std::function<void()> onPress);
    // Starts the listener if it is not running; logs when it becomes unavailable (and why) or
    // available again.
    void ensureRegistration();
    void recordCapabilities();
    // The chosen shortcut is taken: switch to the first free combination.
    void useFreeShortcut();
    // The settings changed the shortcut: the listener takes it from the next key press.
    void applyShortcutChange();
    // Adds the desktop custom shortcut that runs `velto --trigger` (GNOME), or removes it.
    void addDesktopShortcut();
    void removeDesktopShortcut();
    // Lets the shortcut go for good: the desktop's answer to that (a portal's state change)
    // must not bind it again while the app quits.
    void stop();

    HotkeyManager& hotkeyManager() const { return *m_hotkeyManager; }

private:
    void updateDesktopShortcut();

    AppServices m_services;
    AppModel& m_model;
    std::unique_ptr<HotkeyManager> m_hotkeyManager;
    // Why the listener could not start, as last logged; none while it runs.
    std::optional<QString> m_reportedProblem;
    bool m_stopped = false;
};

} // namespace velto
