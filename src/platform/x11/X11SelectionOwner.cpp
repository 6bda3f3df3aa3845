#include "platform/x11/X11SelectionOwner.h"

#include "platform/x11/X11Connection.h"

#include <cstdlib>
#include <cstring>
#include <xcb/xcb.h>

namespace velto {

namespace {
// A requestor that stops taking INCR chunks for this long is gone.
constexpr std::chrono::seconds transferIdleLimit{5};
} // namespace

X11SelectionOwner::X11SelectionOwner(X11Connection& connection, std::uint32_t selection)
    : m_connection(connection), m_selection(selection)
{
    if (!m_connection.isConnected())
        return;
    m_window = m_connection.createWindow();
    m_handlerId = m_connection.addEventHandler(
        [this](const xcb_generic_event_t* event) { handleEvent(event); });
}

X11SelectionOwner::~X11SelectionOwner()
{
    if (m_handlerId)
        m_connection.removeEventHandler(m_handlerId);
    if (m_window && m_connection.isConnected()) {
        xcb_destroy_window(m_connection.xcb(), m_window);
        m_connection.flush();
    }
}

bool X11SelectionOwner::own(Contents contents)
{
    if (!m_window || !m_connection.isConnected())
        return false;
    xcb_connection_t* c = m_connection.xcb();
    // Ownership needs a real timestamp: with CurrentTime, requests and clears could not be told
    // apart from older ones.
    const std::uint32_t time = m_connection.serverTime(m_window);
    xcb_set_selection_owner(c, m_window, m_selection, time);
    auto* reply =
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, m_selection), nullptr);
    m_owns = reply && reply->owner == m_window;
    std::free(reply);
    m_transfers.clear();
    m_contents = m_owns ? std::move(contents) : Contents{};
    m_ownedSince = time;
    return m_owns;
}

void X11SelectionOwner::clear()
{
    if (!m_window || !m_connection.isConnected())
        return;
    const std::uint32_t time = m_connection.serverTime(m_window);
    xcb_set_selection_owner(m_connection.xcb(), XCB_WINDOW_NONE, m_selection, time);
    m_connection.flush();
    m_owns = false;
    m_contents.clear();
    m_transfers.clear();
}

void X11SelectionOwner::handleEvent(const void* raw)
{
    const auto* event = static_cast<const xcb_generic_event_t*>(raw);
    switch (event->response_type & 0x7f) {
    case XCB_SELECTION_CLEAR: {
        const auto* clear = static_cast<const xcb_selection_clear_event_t*>(raw);
        // A clear can be the echo of our own earlier clear(), arriving after we took the
        // selection again: only the server's current answer says whether we lost it.
        if (clear->owner == m_window && clear->selection == m_selection && !serverSaysWeOwn()) {
            m_owns = false;
            m_contents.clear();
            // Running INCR transfers keep their own copy of the data and finish.
        }
        break;
    }
    case XCB_SELECTION_REQUEST: {
        const auto* request = static_cast<const xcb_selection_request_event_t*>(raw);
        if (request->owner == m_window && request->selection == m_selection)
            serve(raw);
        break;
    }
    case XCB_PROPERTY_NOTIFY: {
        const auto* notify = static_cast<const xcb_property_notify_event_t*>(raw);
        if (notify->state == XCB_PROPERTY_DELETE)
            continueTransfer(notify->window, notify->atom);
        break;
    }
    default:
        break;
    }
}

bool X11SelectionOwner::serverSaysWeOwn()
{
    xcb_connection_t* c = m_connection.xcb();
    auto* reply =
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, m_selection), nullptr);
    const bool ours = reply && reply->owner == m_window;
    std::free(reply);
    return ours;
}

void X11SelectionOwner::serve(const void* raw)
{
    const auto* request = static_cast<const xcb_selection_request_event_t*>(raw);
    // Obsolete clients name no property: the target then doubles as the property.
    const std::uint32_t property =
        request->property == XCB_ATOM_NONE ? request->target : request->property;
    const bool current =
        m_owns && (request->time == XCB_CURRENT_TIME || request->time >= m_ownedSince);
    bool incremental = false;
    const bool written = current && writeTarget(raw, property, incremental);

    xcb_selection_notify_event_t notify{};
    notify.response_type = XCB_SELECTION_NOTIFY;
    notify.time = request->time;
    notify.requestor = request->requestor;
    notify.selection = request->selection;
    notify.target = request->target;
    notify.property = written ? property : std::uint32_t(XCB_ATOM_NONE);
    // xcb_send_event sends 32 bytes; the struct is shorter than that.
    char wire[32] = {};
    static_assert(sizeof notify <= sizeof wire);
    std::memcpy(wire, &notify, sizeof notify);
    xcb_send_event(m_connection.xcb(), 0, request->requestor, XCB_EVENT_MASK_NO_EVENT, wire);
    m_connection.flush();
    const bool content = m_contents.contains(request->target);
    if (written && content && !incremental && onServed)
        onServed(request->requestor, request->target, request->time);
}

bool X11SelectionOwner::writeTarget(const void* raw, std::uint32_t property, bool& incremental)
{
    const auto* request = static_cast<const xcb_selection_request_event_t*>(raw);
    const std::uint32_t requestor = request->requestor;
    const std::uint32_t target = request->target;
    xcb_connection_t* c = m_connection.xcb();
    if (target == m_connection.atom("TARGETS")) {
        QList<std::uint32_t> atoms{m_connection.atom("TARGETS"), m_connection.atom("TIMESTAMP")};
        for (auto it = m_contents.cbegin(); it != m_contents.cend(); ++it) {
            if (!atoms.contains(it.key()))
                atoms.append(it.key());
        }
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, requestor, property, XCB_ATOM_ATOM, 32,
                            atoms.size(), atoms.constData());
        return true;
    }
    if (target == m_connection.atom("TIMESTAMP")) {
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, requestor, property, XCB_ATOM_INTEGER, 32, 1,
                            &m_ownedSince);
        return true;
    }
    const auto it = m_contents.constFind(target);
    if (it == m_contents.constEnd())
        return false;
    const Data& data = *it;
    const int unit = data.format / 8;
    if (data.bytes.size() <= incrThreshold) {
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, requestor, property, data.type, data.format,
                            std::uint32_t(data.bytes.size() / unit), data.bytes.constData());
        return true;
    }
    // INCR: announce the size, then send a chunk each time the requestor deletes the property.
    const std::uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(c, requestor, XCB_CW_EVENT_MASK, &mask);
    const std::uint32_t size = std::uint32_t(data.bytes.size());
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, requestor, property, m_connection.atom("INCR"),
                        32, 1, &size);
    dropStaleTransfers();
    m_transfers.append(
        {requestor, property, target, request->time, data, 0, std::chrono::steady_clock::now()});
    incremental = true;
    return true;
}

void X11SelectionOwner::continueTransfer(std::uint32_t requestor, std::uint32_t property)
{
    for (qsizetype i = 0; i < m_transfers.size(); ++i) {
        Transfer& transfer = m_transfers[i];
        if (transfer.requestor != requestor || transfer.property != property)
            continue;
        const int unit = transfer.data.format / 8;
        // Chunks stay whole units of the format.
        const qsizetype length =
            std::min(chunkSize, transfer.data.bytes.size() - transfer.offset) / unit * unit;
        xcb_change_property(m_connection.xcb(), XCB_PROP_MODE_REPLACE, requestor, property,
                            transfer.data.type, transfer.data.format, std::uint32_t(length / unit),
                            transfer.data.bytes.constData() + transfer.offset);
        transfer.offset += length;
        transfer.lastActivity = std::chrono::steady_clock::now();
        if (length != 0) {
            m_connection.flush();
            return;
        }
        // The empty chunk ends the transfer; stop watching the requestor.
        const std::uint32_t none = XCB_EVENT_MASK_NO_EVENT;
        xcb_change_window_attributes(m_connection.xcb(), requestor, XCB_CW_EVENT_MASK, &none);
        const std::uint32_t target = transfer.target;
        const std::uint32_t time = transfer.time;
        m_transfers.removeAt(i);
        m_connection.flush();
        if (onServed)
            onServed(requestor, target, time);
        return;
    }
}

void X11SelectionOwner::dropStaleTransfers()
{
    const auto now = std::chrono::steady_clock::now();
    m_transfers.removeIf(
        [&](const Transfer& transfer) { return now - transfer.lastActivity > transferIdleLimit; });
}

void X11SelectionOwner::handOverToClipboardManager(std::chrono::milliseconds timeout)
{
    if (!m_owns || !m_connection.isConnected())
        return;
    xcb_connection_t* c = m_connection.xcb();
    const std::uint32_t manager = m_connection.atom("CLIPBOARD_MANAGER");
    auto* reply = xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, manager), nullptr);
    const bool running = reply && reply->owner != XCB_WINDOW_NONE;
    std::free(reply);
    if (!running)
        return;

    const std::uint32_t saveTargets = m_connection.atom("SAVE_TARGETS");
    const std::uint32_t property = m_connection.atom("_VELTO_SAVE_TARGETS");
    const QList<std::uint32_t> targets = m_contents.keys();
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, m_window, property, XCB_ATOM_ATOM, 32,
                        targets.size(), targets.constData());
    xcb_convert_selection(c, m_window, manager, saveTargets, property, m_ownedSince);
    // The manager now asks us for each target; serve it until it says it is done.
    m_connection.waitForEvent(
        [&](const xcb_generic_event_t* event) {
            if ((event->response_type & 0x7f) == XCB_SELECTION_NOTIFY) {
                const auto* notify = reinterpret_cast<const xcb_selection_notify_event_t*>(event);
                return notify->requestor == m_window && notify->selection == manager;
            }
            handleEvent(event);
            return false;
        },
        timeout, X11Connection::WaitMode::consumeOthers);
}

} // namespace velto
