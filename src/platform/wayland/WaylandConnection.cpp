#include "platform/wayland/WaylandConnection.h"

#include "model/ClientLogger.h"
#include "wlr-data-control-unstable-v1-client-protocol.h"

#include <QSocketNotifier>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <wayland-client.h>

namespace velto {

namespace {

// Version 2 adds the primary selection; 1 still gives the clipboard.
constexpr std::uint32_t maxDataControlVersion = 2;

} // namespace

WaylandConnection::WaylandConnection()
{
    m_display = wl_display_connect(nullptr);
    if (!m_display) {
        m_state = State::failed;
        m_problem = QStringLiteral("no Wayland compositor to connect to");
        return;
    }
    static const wl_registry_listener listener = {&WaylandConnection::handleGlobal,
                                                  &WaylandConnection::handleGlobalRemove};
    m_registry = wl_display_get_registry(m_display);
    wl_registry_add_listener(m_registry, &listener, this);
    // The compositor answers the sync after it has announced every global.
    static const wl_callback_listener syncListener = {&WaylandConnection::handleInitialSync};
    wl_callback* sync = wl_display_sync(m_display);
    wl_callback_add_listener(sync, &syncListener, this);

    m_notifier =
        std::make_unique<QSocketNotifier>(wl_display_get_fd(m_display), QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, [this] { dispatch(); });
    flush();
}

WaylandConnection::~WaylandConnection()
{
    m_notifier.reset();
    if (m_dataControl)
        zwlr_data_control_manager_v1_destroy(m_dataControl);
    if (m_seat)
        wl_seat_destroy(m_seat);
    if (m_registry)
        wl_registry_destroy(m_registry);
    if (m_display)
        wl_display_disconnect(m_display);
}

void WaylandConnection::handleGlobal(void* data, wl_registry* registry, std::uint32_t name,
                                     const char* interface, std::uint32_t version)
{
    auto* self = static_cast<WaylandConnection*>(data);
    if (!interface)
        return;
    // The first seat is the user's keyboard and clipboard; a headless or nested compositor
    // may announce more, which the app has no use for.
    if (!std::strcmp(interface, wl_seat_interface.name) && !self->m_seat) {
        self->m_seat =
            static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
        self->m_seatName = name;
    } else if (!std::strcmp(interface, zwlr_data_control_manager_v1_interface.name) &&
               !self->m_dataControl && version >= 1) {
        self->m_dataControlVersion = std::min(version, maxDataControlVersion);
        self->m_dataControl = static_cast<zwlr_data_control_manager_v1*>(wl_registry_bind(
            registry, name, &zwlr_data_control_manager_v1_interface, self->m_dataControlVersion));
    }
}

void WaylandConnection::handleGlobalRemove(void* data, wl_registry*, std::uint32_t name)
{
    auto* self = static_cast<WaylandConnection*>(data);
    if (self->m_seat && name == self->m_seatName)
        self->fail(QStringLiteral("the seat went away"));
}

void WaylandConnection::handleInitialSync(void* data, wl_callback* callback, std::uint32_t)
{
    wl_callback_destroy(callback);
    auto* self = static_cast<WaylandConnection*>(data);
    if (self->m_state != State::connecting)
        return;
    if (!self->m_seat) {
        self->fail(QStringLiteral("the compositor offers no seat"));
        return;
    }
    if (!self->m_dataControl) {
        self->fail(QStringLiteral(
            "the compositor offers no data-control protocol (zwlr_data_control_manager_v1)"));
        return;
    }
    self->m_state = State::ready;
    emit self->ready();
}

void WaylandConnection::dispatch()
{
    if (!m_display || !m_notifier)
        return;
    // Read what the socket holds (the notifier said it is readable, so this never waits),
    // then run the handlers outside libwayland's read lock.
    bool broken = false;
    while (!broken && wl_display_prepare_read(m_display) != 0)
        broken = wl_display_dispatch_pending(m_display) < 0;
    if (!broken)
        broken =
            wl_display_read_events(m_display) < 0 || wl_display_dispatch_pending(m_display) < 0;
    if (broken) {
        fail(QStringLiteral("the connection to the compositor broke (%1)")
                 .arg(QString::fromLocal8Bit(std::strerror(wl_display_get_error(m_display)))));
        return;
    }
    flush();
}

void WaylandConnection::flush()
{
    if (!m_display || m_state == State::failed)
        return;
    // A full socket buffer (EAGAIN) leaves the rest queued for the next flush.
    if (wl_display_flush(m_display) < 0 && errno != EAGAIN)
        fail(QStringLiteral("the connection to the compositor broke"));
}

void WaylandConnection::fail(const QString& problem)
{
    if (m_state == State::failed)
        return;
    m_state = State::failed;
    m_problem = problem;
    // A broken display keeps signalling readable; stop listening to it.
    if (m_notifier)
        m_notifier->setEnabled(false);
    ClientLogger::warning(u"wayland clipboard unavailable: ", problem);
    emit failed();
}

} // namespace velto
