#include "platform/x11/X11PrimarySelection.h"

#include "platform/x11/X11Connection.h"
#include "platform/x11/X11SelectionReader.h"
#include "platform/x11/X11Windows.h"

#include <cstdlib>
#include <xcb/xcb.h>

namespace velto {

X11PrimarySelection::X11PrimarySelection(X11Connection& connection, X11Windows& windows)
    : m_connection(connection), m_windows(windows)
{
    if (m_connection.isConnected())
        m_reader = std::make_unique<X11SelectionReader>(m_connection);
}

X11PrimarySelection::~X11PrimarySelection() = default;

QCoro::Task<std::optional<QString>> X11PrimarySelection::selectedText()
{
    if (!m_reader || !m_connection.isConnected())
        co_return std::nullopt;
    xcb_connection_t* c = m_connection.xcb();
    auto* reply =
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, XCB_ATOM_PRIMARY), nullptr);
    const std::uint32_t owner = reply ? reply->owner : std::uint32_t(XCB_WINDOW_NONE);
    std::free(reply);
    const std::uint32_t active = m_windows.activeWindow();
    if (!owner || !active || m_windows.clientOf(owner) != m_windows.clientOf(active))
        co_return std::nullopt;

    if (auto answer =
            co_await m_reader->convert(XCB_ATOM_PRIMARY, m_connection.atom("UTF8_STRING")))
        co_return QString::fromUtf8(answer->data);
    if (auto answer = co_await m_reader->convert(XCB_ATOM_PRIMARY, XCB_ATOM_STRING))
        co_return QString::fromLatin1(answer->data);
    co_return std::nullopt;
}

} // namespace velto
