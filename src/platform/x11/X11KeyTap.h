#pragma once

#include "platform/GlobalKeyTap.h"

#include <QList>
#include <cstdint>
#include <optional>

namespace velto {

class X11Connection;
class X11Keymap;

// A passive grab of the shortcut's letter with its modifiers on the root window, for every
// combination of Caps Lock and NumLock so those never keep the shortcut from matching.
class X11KeyTap : public GlobalKeyTap
{
public:
    X11KeyTap(X11Connection& connection, X11Keymap& keymap);
    ~X11KeyTap() override;

    StartResult start(QKeyCombination shortcut, Handler handler) override;
    bool retarget(QKeyCombination shortcut) override;
    void stop() override;

    // The X modifier bits a grab of these modifiers holds, on the bits this keymap puts Super
    // and Alt on.
    static std::uint16_t grabMask(const X11Keymap& keymap, Qt::KeyboardModifiers modifiers);

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
    QKeyCombination m_shortcut;
    std::optional<Grab> m_grab;
};

} // namespace velto
