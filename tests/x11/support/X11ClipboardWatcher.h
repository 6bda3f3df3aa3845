#pragma once

#include "platform/x11/X11Connection.h"

#include <QStringList>
#include <cstdlib>
#include <xcb/xcb.h>
#include <xcb/xfixes.h>

namespace velto::test {

// A clipboard manager as many are: at every change of the clipboard's owner it asks for the text
// at once, with the time of the change, and records what it got.
struct X11ClipboardWatcher
{
    X11Connection connection;
    std::uint32_t window = connection.createWindow();
    std::uint32_t clipboard = connection.atom("CLIPBOARD");
    std::uint32_t utf8 = connection.atom("UTF8_STRING");
    std::uint32_t property = connection.atom("_VELTO_TEST_WATCHER");
    QStringList texts;
    int handlerId = 0;

    X11ClipboardWatcher()
    {
        xcb_xfixes_select_selection_input(connection.xcb(), window, clipboard,
                                          XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER);
        connection.flush();
        handlerId = connection.addEventHandler([this](const xcb_generic_event_t* event) {
            if (event->response_type ==
                connection.xfixesFirstEvent() + XCB_XFIXES_SELECTION_NOTIFY) {
                const auto* notify =
                    reinterpret_cast<const xcb_xfixes_selection_notify_event_t*>(event);
                if (notify->owner != XCB_WINDOW_NONE)
                    xcb_convert_selection(connection.xcb(), window, clipboard, utf8, property,
                                          notify->timestamp);
                connection.flush();
            } else if ((event->response_type & 0x7f) == XCB_SELECTION_NOTIFY) {
                const auto* notify = reinterpret_cast<const xcb_selection_notify_event_t*>(event);
                if (notify->requestor == window && notify->property != XCB_ATOM_NONE)
                    texts.append(takeText());
            }
        });
    }
    ~X11ClipboardWatcher() { connection.removeEventHandler(handlerId); }

    QString takeText()
    {
        xcb_connection_t* c = connection.xcb();
        auto* reply = xcb_get_property_reply(
            c, xcb_get_property(c, 1, window, property, XCB_ATOM_ANY, 0, 1 << 16), nullptr);
        QString text;
        if (reply)
            text = QString::fromUtf8(static_cast<const char*>(xcb_get_property_value(reply)),
                                     xcb_get_property_value_length(reply));
        std::free(reply);
        return text;
    }
};

} // namespace velto::test
