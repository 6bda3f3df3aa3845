#pragma once

#include "platform/x11/X11Connection.h"

#include <QByteArray>
#include <QList>
#include <cstdint>
#include <optional>

namespace velto::test {

// Notes when another client's window changes its title, in the X server's own time, so that a
// delay measured from a key press does not depend on when this process got to run.
class WindowTitleWatcher
{
public:
    explicit WindowTitleWatcher(std::uint32_t window);
    ~WindowTitleWatcher();

    // The server's time now, in milliseconds.
    std::uint32_t serverTime();
    // The server time of the first title change at or after `since` to a title that starts with
    // `prefix`, once it has been seen.
    std::optional<std::uint32_t> changedTo(const QByteArray& prefix, std::uint32_t since);

private:
    struct Change
    {
        std::uint32_t time = 0;
        QByteArray title;
    };

    QByteArray title();

    X11Connection m_connection;
    std::uint32_t m_window;
    std::uint32_t m_clockWindow = 0;
    std::uint32_t m_titleAtom = 0;
    int m_handler = 0;
    QList<Change> m_changes;
};

} // namespace velto::test
