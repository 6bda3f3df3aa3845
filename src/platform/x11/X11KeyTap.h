#pragma once

#include "platform/GlobalKeyTap.h"

#include <QList>
#include <cstdint>
#include <optional>

namespace velto {

class X11Connection;
class X11Keymap;

// A passive grab of Super+letter (+Shift) on the root window, for every combination of Caps Lock
// and NumLock so those never keep the shortcut from matching.
class X11KeyTap : public GlobalKeyTap
{
public:
    X11KeyTap(X11Connection& connection, X11Keymap& keymap);
    ~X11KeyTap() override;

    StartResult start(std::int64_t keyCode, bool requiresShift, Handler handler) override;
    bool retarget(std::int64_t keyCode, bool requiresShift) override;
    void stop() override;

private:
    // One passive grab per modifier set, all on the same key.
    struct Grab
    {
        std::uint8_t key = 0;
        QList<std::uint16_t> modifiers;
        bool operator==(const Grab&) const = default;
    };

    std::optional<Grab> wantedGrab() const;
    bool grab();
    // Sends the grabs; false when any is refused (another client holds it).
    bool sendGrabs(const Grab& grab);
    void sendUngrabs(std::uint8_t key, const QList<std::uint16_t>& modifiers);
    void ungrab();
    void regrabAfterMappingChange();
    void handleEvent(const void* event);

    X11Connection& m_connection;
    X11Keymap& m_keymap;
    Handler m_handler;
    int m_handlerId = 0;
    std::int64_t m_keyCode = 0;
    bool m_requiresShift = false;
    std::optional<Grab> m_grab;
};

} // namespace velto
