#include "platform/x11/X11SelectionReader.h"

#include "platform/x11/X11Connection.h"

#include <cstdlib>
#include <cstring>
#include <xcb/xcb.h>

namespace velto {

X11SelectionReader::X11SelectionReader(X11Connection& connection, QObject* parent)
    : QObject(parent), m_connection(connection)
{
    m_timeout.setSingleShot(true);
    connect(&m_timeout, &QTimer::timeout, this, &X11SelectionReader::wakeWaiter);
    if (!m_connection.isConnected())
        return;
    m_window = m_connection.createWindow();
    m_property = m_connection.atom("_VELTO_SELECTION");
    m_handlerId = m_connection.addEventHandler([this](const xcb_generic_event_t* event) {
        const std::uint8_t type = event->response_type & 0x7f;
        if (type == XCB_SELECTION_NOTIFY) {
            const auto* notify = reinterpret_cast<const xcb_selection_notify_event_t*>(event);
            if (notify->requestor != m_window)
                return;
            m_queue.push_back({true, notify->selection, notify->target, notify->property});
            wakeWaiter();
        } else if (type == XCB_PROPERTY_NOTIFY) {
            const auto* notify = reinterpret_cast<const xcb_property_notify_event_t*>(event);
            if (notify->window != m_window || notify->atom != m_property ||
                notify->state != XCB_PROPERTY_NEW_VALUE)
                return;
            m_queue.push_back({false, 0, 0, notify->atom});
            wakeWaiter();
        }
    });
}

void X11SelectionReader::EventWait::await_suspend(std::coroutine_handle<> waiter)
{
    reader.m_waiter = waiter;
    reader.m_timeout.start(timeout);
}

void X11SelectionReader::wakeWaiter()
{
    m_timeout.stop();
    if (auto waiter = std::exchange(m_waiter, {}))
        waiter.resume();
}

void X11SelectionReader::passTurn()
{
    if (m_turns.empty()) {
        m_busy = false;
        return;
    }
    // The turn goes straight to the next waiter, so no newcomer slips in between.
    auto next = m_turns.front();
    m_turns.pop_front();
    // Not from inside the finishing conversion: the next one starts from the event loop.
    QTimer::singleShot(0, this, [next] { next.resume(); });
}

X11SelectionReader::~X11SelectionReader()
{
    if (m_handlerId)
        m_connection.removeEventHandler(m_handlerId);
    if (m_window && m_connection.isConnected()) {
        xcb_destroy_window(m_connection.xcb(), m_window);
        m_connection.flush();
    }
}

QCoro::Task<std::optional<X11SelectionReader::Event>>
X11SelectionReader::nextEvent(bool selectionNotify, std::chrono::milliseconds timeout)
{
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        // Events of the other kind that came first are stale (the owner's own property writes).
        while (!m_queue.empty()) {
            const Event event = m_queue.front();
            m_queue.pop_front();
            if (event.isSelectionNotify == selectionNotify)
                co_return event;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0 || !m_connection.isConnected())
            co_return std::nullopt;
        co_await EventWait{*this, left};
    }
}

std::optional<X11SelectionReader::Answer> X11SelectionReader::takeProperty()
{
    xcb_connection_t* c = m_connection.xcb();
    Answer answer;
    std::uint32_t offset = 0; // in 32-bit units
    for (;;) {
        // Delete takes effect with the read that reaches the end.
        auto* reply = xcb_get_property_reply(c,
                                             xcb_get_property(c, 1, m_window, m_property,
                                                              XCB_GET_PROPERTY_TYPE_ANY, offset,
                                                              1024 * 1024 / 4),
                                             nullptr);
        if (!reply)
            return std::nullopt;
        if (reply->type == XCB_ATOM_NONE) {
            std::free(reply);
            return std::nullopt;
        }
        const int length = xcb_get_property_value_length(reply); // in bytes
        const int unit = reply->format / 8;
        if (unit != 1 && unit != 2 && unit != 4) {
            std::free(reply);
            return std::nullopt;
        }
        answer.type = reply->type;
        answer.format = reply->format;
        answer.data.append(static_cast<const char*>(xcb_get_property_value(reply)),
                           qsizetype(length));
        const std::uint32_t after = reply->bytes_after;
        std::free(reply);
        if (answer.data.size() > maxDataSize)
            return std::nullopt;
        if (after == 0)
            break;
        offset += std::uint32_t(length) / 4;
    }
    return answer;
}

QCoro::Task<std::optional<X11SelectionReader::Answer>>
X11SelectionReader::convert(std::uint32_t selection, std::uint32_t target)
{
    if (!m_window || !m_connection.isConnected())
        co_return std::nullopt;
    // One conversion at a time: they share our window and property.
    co_await TurnWait{*this};
    std::optional<Answer> answer = co_await convertUnlocked(selection, target);
    passTurn();
    co_return answer;
}

QCoro::Task<std::optional<X11SelectionReader::Answer>>
X11SelectionReader::convertUnlocked(std::uint32_t selection, std::uint32_t target)
{
    xcb_connection_t* c = m_connection.xcb();
    m_queue.clear();
    xcb_delete_property(c, m_window, m_property);
    xcb_convert_selection(c, m_window, selection, target, m_property, XCB_CURRENT_TIME);
    m_connection.flush();

    for (;;) {
        const std::optional<Event> notify = co_await nextEvent(true, answerTimeout);
        if (!notify)
            co_return std::nullopt;
        // An answer to an earlier, abandoned request: keep waiting for ours.
        if (notify->selection != selection || notify->target != target)
            continue;
        if (notify->property == XCB_ATOM_NONE)
            co_return std::nullopt; // refused
        break;
    }
    std::optional<Answer> answer = takeProperty();
    m_connection.flush();
    if (!answer || answer->type != m_connection.atom("INCR"))
        co_return answer;

    // INCR: our delete (above) asked for the first chunk; each new value is one more chunk,
    // and an empty one ends the transfer.
    Answer whole;
    bool first = true;
    for (;;) {
        if (!co_await nextEvent(false, answerTimeout))
            co_return std::nullopt;
        std::optional<Answer> chunk = takeProperty();
        m_connection.flush();
        if (!chunk)
            co_return std::nullopt;
        if (first) {
            whole.type = chunk->type;
            whole.format = chunk->format;
            first = false;
        }
        if (chunk->data.isEmpty())
            co_return whole;
        whole.data.append(chunk->data);
        if (whole.data.size() > maxDataSize)
            co_return std::nullopt;
    }
}

QCoro::Task<QList<std::uint32_t>> X11SelectionReader::targets(std::uint32_t selection)
{
    QList<std::uint32_t> atoms;
    const std::optional<Answer> answer = co_await convert(selection, m_connection.atom("TARGETS"));
    if (!answer || answer->format != 32)
        co_return atoms;
    const qsizetype count = answer->data.size() / 4;
    for (qsizetype i = 0; i < count; ++i) {
        std::uint32_t atom = 0;
        std::memcpy(&atom, answer->data.constData() + i * 4, 4);
        if (atom != XCB_ATOM_NONE && !atoms.contains(atom))
            atoms.append(atom);
    }
    co_return atoms;
}

} // namespace velto
