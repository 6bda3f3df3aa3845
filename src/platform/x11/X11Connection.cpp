#include "platform/x11/X11Connection.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QSocketNotifier>
#include <QThread>
#include <cstdlib>
#include <poll.h>
#include <xcb/res.h>
#include <xcb/xcb.h>
#include <xcb/xfixes.h>
#include <xcb/xinput.h>
#include <xcb/xtest.h>

namespace velto {

X11Connection::X11Connection(const QByteArray& displayName, QObject* parent) : QObject(parent)
{
    const char* name = displayName.isEmpty() ? std::getenv("DISPLAY") : displayName.constData();
    if (!name || !*name)
        return;
    int screenNumber = 0;
    m_connection = xcb_connect(name, &screenNumber);
    if (xcb_connection_has_error(m_connection)) {
        xcb_disconnect(m_connection);
        m_connection = nullptr;
        return;
    }
    const xcb_setup_t* setup = xcb_get_setup(m_connection);
    m_clientMask = ~setup->resource_id_mask;
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(setup);
    for (int i = 0; i < screenNumber && it.rem; ++i)
        xcb_screen_next(&it);
    m_root = it.data ? it.data->root : 0;
    queryExtensions();

    m_notifier =
        new QSocketNotifier(xcb_get_file_descriptor(m_connection), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &X11Connection::dispatchAll);
    // A reply wait may pull events off the socket into xcb's queue, where the notifier cannot
    // see them: drain them each time the loop is about to sleep.
    if (auto* dispatcher = QAbstractEventDispatcher::instance(QThread::currentThread()))
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this,
                &X11Connection::dispatchQueued);
}

X11Connection::~X11Connection()
{
    if (m_connection)
        xcb_disconnect(m_connection);
}

bool X11Connection::isConnected() const
{
    return m_connection && !m_lost;
}

void X11Connection::queryExtensions()
{
    xcb_prefetch_extension_data(m_connection, &xcb_test_id);
    xcb_prefetch_extension_data(m_connection, &xcb_input_id);
    xcb_prefetch_extension_data(m_connection, &xcb_xfixes_id);
    xcb_prefetch_extension_data(m_connection, &xcb_res_id);

    if (const auto* ext = xcb_get_extension_data(m_connection, &xcb_test_id); ext && ext->present)
        m_hasXTest = true;
    if (const auto* ext = xcb_get_extension_data(m_connection, &xcb_res_id); ext && ext->present) {
        auto* reply = xcb_res_query_version_reply(
            m_connection, xcb_res_query_version(m_connection, 1, 2), nullptr);
        m_hasXRes = reply && (reply->server_major > 1 || reply->server_minor >= 2);
        std::free(reply);
    }
    if (const auto* ext = xcb_get_extension_data(m_connection, &xcb_xfixes_id);
        ext && ext->present) {
        auto* reply = xcb_xfixes_query_version_reply(
            m_connection, xcb_xfixes_query_version(m_connection, 5, 0), nullptr);
        m_hasXFixes = reply && reply->major_version >= 1;
        m_xfixesFirstEvent = ext->first_event;
        std::free(reply);
    }
    if (const auto* ext = xcb_get_extension_data(m_connection, &xcb_input_id);
        ext && ext->present) {
        auto* reply = xcb_input_xi_query_version_reply(
            m_connection, xcb_input_xi_query_version(m_connection, 2, 2), nullptr);
        m_hasXInput2 = reply && reply->major_version >= 2;
        m_xinputOpcode = ext->major_opcode;
        std::free(reply);
    }
}

std::uint32_t X11Connection::atom(const char* name)
{
    if (!isConnected())
        return XCB_ATOM_NONE;
    const QByteArray key(name);
    if (auto it = m_atoms.constFind(key); it != m_atoms.constEnd())
        return *it;
    auto* reply = xcb_intern_atom_reply(
        m_connection, xcb_intern_atom(m_connection, 0, key.size(), key.constData()), nullptr);
    const std::uint32_t value = reply ? reply->atom : std::uint32_t(XCB_ATOM_NONE);
    std::free(reply);
    if (value != XCB_ATOM_NONE)
        m_atoms.insert(key, value);
    checkConnection();
    return value;
}

QByteArray X11Connection::atomName(std::uint32_t atom)
{
    if (!isConnected() || atom == XCB_ATOM_NONE)
        return {};
    auto* reply =
        xcb_get_atom_name_reply(m_connection, xcb_get_atom_name(m_connection, atom), nullptr);
    if (!reply)
        return {};
    QByteArray name(xcb_get_atom_name_name(reply), xcb_get_atom_name_name_length(reply));
    std::free(reply);
    return name;
}

std::uint32_t X11Connection::createWindow()
{
    if (!isConnected())
        return XCB_WINDOW_NONE;
    const std::uint32_t window = xcb_generate_id(m_connection);
    const std::uint32_t values[] = {XCB_EVENT_MASK_PROPERTY_CHANGE};
    xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, window, m_root, -1, -1, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK, values);
    flush();
    return window;
}

std::uint32_t X11Connection::serverTime(std::uint32_t window)
{
    if (!isConnected())
        return XCB_CURRENT_TIME;
    const std::uint32_t property = atom("_VELTO_TIMESTAMP");
    xcb_change_property(m_connection, XCB_PROP_MODE_APPEND, window, property, XCB_ATOM_STRING, 8, 0,
                        nullptr);
    flush();
    std::uint32_t time = XCB_CURRENT_TIME;
    waitForEvent(
        [&](const xcb_generic_event_t* event) {
            if ((event->response_type & 0x7f) != XCB_PROPERTY_NOTIFY)
                return false;
            const auto* notify = reinterpret_cast<const xcb_property_notify_event_t*>(event);
            if (notify->window != window || notify->atom != property)
                return false;
            time = notify->time;
            return true;
        },
        std::chrono::milliseconds(2000));
    return time;
}

int X11Connection::addEventHandler(EventHandler handler)
{
    const int id = m_nextHandlerId++;
    m_handlers.emplace(id, std::move(handler));
    return id;
}

void X11Connection::removeEventHandler(int id)
{
    m_handlers.erase(id);
}

void X11Connection::flush()
{
    if (isConnected())
        xcb_flush(m_connection);
}

void X11Connection::processPendingEvents()
{
    dispatchAll();
}

bool X11Connection::waitForEvent(const std::function<bool(const xcb_generic_event_t*)>& accept,
                                 std::chrono::milliseconds timeout, WaitMode mode)
{
    if (!isConnected())
        return false;
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + timeout;
    xcb_flush(m_connection);
    for (;;) {
        while (xcb_generic_event_t* event = xcb_poll_for_event(m_connection)) {
            const bool accepted = accept(event);
            if (accepted) {
                std::free(event);
                QMetaObject::invokeMethod(this, &X11Connection::dispatchAll, Qt::QueuedConnection);
                return true;
            }
            if (mode == WaitMode::keepOthers)
                m_held.emplace_back(event, &std::free);
            else
                std::free(event);
        }
        checkConnection();
        if (m_lost)
            return false;
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            return false;
        pollfd fd{xcb_get_file_descriptor(m_connection), POLLIN, 0};
        ::poll(&fd, 1, static_cast<int>(left.count()));
    }
}

void X11Connection::dispatchAll()
{
    if (!m_connection || m_lost)
        return;
    dispatchEvents(xcb_poll_for_event);
    checkConnection();
}

void X11Connection::dispatchQueued()
{
    if (!m_connection || m_lost)
        return;
    dispatchEvents(xcb_poll_for_queued_event);
}

void X11Connection::dispatchEvents(xcb_generic_event_t* (*next)(xcb_connection_t*))
{
    // Events held back by a wait come first: the server sent them before the others.
    while (!m_held.empty()) {
        auto event = std::move(m_held.front());
        m_held.pop_front();
        dispatchOne(event.get());
    }
    while (xcb_generic_event_t* event = next(m_connection)) {
        dispatchOne(event);
        std::free(event);
    }
    xcb_flush(m_connection);
}

void X11Connection::dispatchOne(const xcb_generic_event_t* event)
{
    // Handlers may add or remove handlers: walk a copy of the ids.
    std::vector<int> ids;
    ids.reserve(m_handlers.size());
    for (const auto& [id, handler] : m_handlers)
        ids.push_back(id);
    for (int id : ids) {
        auto it = m_handlers.find(id);
        if (it != m_handlers.end()) {
            const EventHandler handler = it->second;
            handler(event);
        }
    }
}

void X11Connection::checkConnection()
{
    if (m_lost || !m_connection || !xcb_connection_has_error(m_connection))
        return;
    m_lost = true;
    if (m_notifier)
        m_notifier->setEnabled(false);
    emit connectionLost();
}

} // namespace velto
