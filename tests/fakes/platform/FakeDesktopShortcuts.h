#pragma once

#include "platform/DesktopShortcuts.h"
#include "platform/DesktopShortcutsError.h"

namespace velto::fakes {

// A desktop whose own bindings and custom shortcut the test sets; writes are recorded.
class FakeDesktopShortcuts : public DesktopShortcuts
{
public:
    QList<QKeyCombination> reserved;
    bool customShortcuts = false;
    std::optional<TriggerShortcut> trigger;
    bool refuseWrites = false;
    QList<QKeyCombination> written; // every combination Velto's custom shortcut was given
    int removals = 0;

    QList<QKeyCombination> reservedShortcuts() override { return reserved; }
    bool supportsCustomShortcut() override { return customShortcuts; }
    std::optional<TriggerShortcut> triggerShortcut() override { return trigger; }
    void setCustomShortcut(QKeyCombination combination) override
    {
        if (refuseWrites)
            throw DesktopShortcutsError::refused();
        written.append(combination);
        trigger = TriggerShortcut{combination, true};
    }
    void removeCustomShortcut() override
    {
        if (refuseWrites)
            throw DesktopShortcutsError::refused();
        ++removals;
        if (trigger && trigger->ownedByVelto)
            trigger.reset();
    }
};

} // namespace velto::fakes
