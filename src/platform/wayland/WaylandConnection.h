#pragma once

#include <QObject>
#include <QString>
#include <cstdint>
#include <memory>

struct wl_display;
struct wl_registry;
struct wl_seat;
struct wl_callback;
struct zwlr_data_control_manager_v1;
class QSocketNotifier;

namespace velto {

// The app's own Wayland connection, with no window: it binds the seat and the data-control
// manager and dispatches events from the event loop. Never blocks: the globals arrive
// asynchronously and ready() is emitted once they are known (or the connection failed).
class WaylandConnection : public QObject
{
    Q_OBJECT

public:
    enum class State
    {
        connecting,
        ready,
        failed
    };

    // Connects to the compositor named by WAYLAND_DISPLAY.
    WaylandConnection();
    ~WaylandConnection() override;

    State state() const { return m_state; }
    // Why the connection is not usable, for the log; empty when it is.
    QString problem() const { return m_problem; }
    wl_display* display() const { return m_display; }
    wl_seat* seat() const { return m_seat; }
    zwlr_data_control_manager_v1* dataControl() const { return m_dataControl; }
    std::uint32_t dataControlVersion() const { return m_dataControlVersion; }

    // Sends what the client queued; call after each batch of requests.
    void flush();

signals:
    void ready();
    void failed();

private:
    static void handleGlobal(void* data, wl_registry* registry, std::uint32_t name,
                             const char* interface, std::uint32_t version);
    static void handleGlobalRemove(void* data, wl_registry* registry, std::uint32_t name);
    static void handleInitialSync(void* data, wl_callback* callback, std::uint32_t time);
    void dispatch();
    void fail(const QString& problem);

    State m_state = State::connecting;
    QString m_problem;
    wl_display* m_display = nullptr;
    wl_registry* m_registry = nullptr;
    wl_seat* m_seat = nullptr;
    std::uint32_t m_seatName = 0;
    zwlr_data_control_manager_v1* m_dataControl = nullptr;
    std::uint32_t m_dataControlVersion = 0;
    std::unique_ptr<QSocketNotifier> m_notifier;
};

} // namespace velto
