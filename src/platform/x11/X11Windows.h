#pragma once

#include <QByteArray>
#include <QStringList>
#include <cstdint>

namespace velto {

class X11Connection;

// What the window manager and the server say about other clients' windows. Every answer comes
// from another client's properties and is checked before use.
class X11Windows
{
public:
    explicit X11Windows(X11Connection& connection);

    // The EWMH active window, or 0.
    std::uint32_t activeWindow();
    // WM_CLASS as instance and class (either may be missing).
    QStringList wmClass(std::uint32_t window);
    // The owning process: from the X-Resource extension (which knows the client's pid even when
    // the toolkit sets no _NET_WM_PID), else _NET_WM_PID; 0 when neither says.
    std::int64_t processId(std::uint32_t window);
    bool exists(std::uint32_t window);
    // Windows of the same X client share these bits.
    std::uint32_t clientOf(std::uint32_t window) const;
    // Asks the window manager to bring the window to the front and focus it.
    void activate(std::uint32_t window, std::uint32_t time);

private:
    QByteArray property(std::uint32_t window, std::uint32_t property, std::uint32_t type,
                        std::uint32_t maxBytes);

    X11Connection& m_connection;
};

} // namespace velto
