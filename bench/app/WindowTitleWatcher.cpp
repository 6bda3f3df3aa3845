#include "WindowTitleWatcher.h"

#include <cstdlib>

namespace velto::test {

WindowTitleWatcher::WindowTitleWatcher(std::uint32_t window)
    : m_window(window), m_clockWindow(m_connection.createWindow()),
      m_titleAtom(m_connection.atom("_NET_WM_NAME"))
{
    const std::uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(m_connection.xcb(), m_window, XCB_CW_EVENT_MASK, &mask);
    m_handler = m_connection.addEventHandler([this](const xcb_generic_event_t* event) {
        if ((event->response_type & 0x7f) != XCB_PROPERTY_NOTIFY)
            return;
        const auto* notify = reinterpret_cast<const xcb_property_notify_event_t*>(event);
        if (notify->window == m_window && notify->atom == m_titleAtom)
            m_changes.append({notify->time, title()});
    });
    m_connection.flush();
}

WindowTitleWatcher::~WindowTitleWatcher()
{
    m_connection.removeEventHandler(m_handler);
}

std::uint32_t WindowTitleWatcher::serverTime()
{
    return m_connection.serverTime(m_clockWindow);
}

QByteArray WindowTitleWatcher::title()
{
    xcb_connection_t* c = m_connection.xcb();
    auto* reply = xcb_get_property_reply(
        c, xcb_get_property(c, 0, m_window, m_titleAtom, m_connection.atom("UTF8_STRING"), 0, 1024),
        nullptr);
    QByteArray text;
    if (reply)
        text = QByteArray(static_cast<const char*>(xcb_get_property_value(reply)),
                          xcb_get_property_value_length(reply));
    free(reply);
    return text;
}

std::optional<std::uint32_t> WindowTitleWatcher::changedTo(const QByteArray& prefix,
                                                           std::uint32_t since)
{
    m_connection.processPendingEvents();
    for (const Change& change : m_changes) {
        // Server time is a 32-bit millisecond counter: compare by difference.
        if (std::int32_t(change.time - since) >= 0 && change.title.startsWith(prefix))
            return change.time;
    }
    return std::nullopt;
}

} // namespace velto::test
