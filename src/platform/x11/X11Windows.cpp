#include "platform/x11/X11Windows.h"

#include "platform/x11/X11Connection.h"

#include <cstdlib>
#include <cstring>
#include <xcb/res.h>
#include <xcb/xcb.h>

namespace velto {

X11Windows::X11Windows(X11Connection& connection) : m_connection(connection) {}

QByteArray X11Windows::property(std::uint32_t window, std::uint32_t property, std::uint32_t type,
                                std::uint32_t maxBytes)
{
    if (!m_connection.isConnected() || !window)
        return {};
    xcb_connection_t* c = m_connection.xcb();
    auto* reply = xcb_get_property_reply(
        c, xcb_get_property(c, 0, window, property, type, 0, (maxBytes + 3) / 4), nullptr);
    if (!reply)
        return {};
    QByteArray bytes;
    if (reply->type != XCB_ATOM_NONE && (type == XCB_GET_PROPERTY_TYPE_ANY || reply->type == type))
        bytes = QByteArray(static_cast<const char*>(xcb_get_property_value(reply)),
                           xcb_get_property_value_length(reply)); // in bytes
    std::free(reply);
    return bytes;
}

std::uint32_t X11Windows::activeWindow()
{
    const QByteArray value =
        property(m_connection.root(), m_connection.atom("_NET_ACTIVE_WINDOW"), XCB_ATOM_WINDOW, 4);
    if (value.size() < 4)
        return 0;
    std::uint32_t window = 0;
    std::memcpy(&window, value.constData(), 4);
    return window;
}

QStringList X11Windows::wmClass(std::uint32_t window)
{
    const QByteArray value = property(window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 1024);
    QStringList parts;
    for (const QByteArray& part : value.split('\0')) {
        if (!part.isEmpty())
            parts << QString::fromLatin1(part);
    }
    return parts;
}

std::int64_t X11Windows::processId(std::uint32_t window)
{
    if (!m_connection.isConnected() || !window)
        return 0;
    xcb_connection_t* c = m_connection.xcb();
    if (m_connection.hasXRes()) {
        xcb_res_client_id_spec_t idSpec{window, XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID};
        auto* reply =
            xcb_res_query_client_ids_reply(c, xcb_res_query_client_ids(c, 1, &idSpec), nullptr);
        std::int64_t pid = 0;
        if (reply) {
            for (auto it = xcb_res_query_client_ids_ids_iterator(reply); it.rem;
                 xcb_res_client_id_value_next(&it)) {
                const auto& [client, length] = *it.data;
                if ((client.mask & XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID) &&
                    xcb_res_client_id_value_value_length(it.data) >= 1) {
                    pid = *xcb_res_client_id_value_value(it.data);
                    break;
                }
            }
            std::free(reply);
        }
        if (pid > 0)
            return pid;
    }
    const QByteArray value =
        property(window, m_connection.atom("_NET_WM_PID"), XCB_ATOM_CARDINAL, 4);
    if (value.size() < 4)
        return 0;
    std::uint32_t pid = 0;
    std::memcpy(&pid, value.constData(), 4);
    return pid;
}

bool X11Windows::exists(std::uint32_t window)
{
    if (!m_connection.isConnected() || !window)
        return false;
    xcb_connection_t* c = m_connection.xcb();
    auto* reply = xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, window), nullptr);
    const bool found = reply != nullptr;
    std::free(reply);
    return found;
}

std::uint32_t X11Windows::clientOf(std::uint32_t window) const
{
    return window & m_connection.clientMask();
}

void X11Windows::activate(std::uint32_t window, std::uint32_t time)
{
    if (!m_connection.isConnected() || !window)
        return;
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = window;
    message.type = m_connection.atom("_NET_ACTIVE_WINDOW");
    // Source 2 (a pager): the user asked for it, so focus-stealing prevention does not apply.
    message.data.data32[0] = 2;
    message.data.data32[1] = time;
    message.data.data32[2] = 0;
    xcb_send_event(m_connection.xcb(), 0, m_connection.root(),
                   XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                   reinterpret_cast<const char*>(&message));
    m_connection.flush();
}

} // namespace velto
