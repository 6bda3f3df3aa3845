#pragma once

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>

#include <xcb/xcb.h>

class QSocketNotifier;

namespace velto {

// The app's own connection to the X server, separate from Qt's, driven by the Qt event loop:
// a socket notifier reads events, and events xcb queued during a reply wait are dispatched
// before the loop blocks. Without a display (a Wayland-only session, or none) it stays
// disconnected and every adapter on it answers "not available".
class X11Connection : public QObject
{
    Q_OBJECT

public:
    using EventHandler = std::function<void(const xcb_generic_event_t* event)>;

    // displayName empty: $DISPLAY.
    explicit X11Connection(const QByteArray& displayName = {}, QObject* parent = nullptr);
    ~X11Connection() override;

    bool isConnected() const;
    xcb_connection_t* xcb() const { return m_connection; }
    std::uint32_t root() const { return m_root; }
    // The bits of a resource id that name the client: ids with the same remaining bits belong to
    // the same client.
    std::uint32_t clientMask() const { return m_clientMask; }

    bool hasXTest() const { return m_hasXTest; }
    bool hasXInput2() const { return m_hasXInput2; }
    bool hasXFixes() const { return m_hasXFixes; }
    bool hasXRes() const { return m_hasXRes; }
    std::uint8_t xfixesFirstEvent() const { return m_xfixesFirstEvent; }
    std::uint8_t xinputOpcode() const { return m_xinputOpcode; }

    // Interned once, then cached. XCB_ATOM_NONE when disconnected.
    std::uint32_t atom(const char* name);
    QByteArray atomName(std::uint32_t atom);

    // An unmapped window of ours that receives property changes.
    std::uint32_t createWindow();
    // A real server timestamp, from a zero-length property append on window. Blocks only for the
    // server's own answer.
    std::uint32_t serverTime(std::uint32_t window);

    // Every event goes to every handler; each picks what it knows.
    int addEventHandler(EventHandler handler);
    void removeEventHandler(int id);

    void flush();
    // Reads and dispatches whatever has arrived (used before reading state events update).
    void processPendingEvents();
    // What a blocking wait does with the events the predicate does not accept: keep them for the
    // handlers (dispatched once the event loop runs again), or drop them because the predicate
    // has dealt with them itself.
    enum class WaitMode
    {
        keepOthers,
        consumeOthers
    };
    // Blocks until the predicate accepts an event or the time-out passes. Only for answers the
    // server itself gives, and for the exit path where no event loop runs any more.
    bool waitForEvent(const std::function<bool(const xcb_generic_event_t*)>& accept,
                      std::chrono::milliseconds timeout, WaitMode mode = WaitMode::keepOthers);

signals:
    void connectionLost();

private:
    void dispatchAll();
    void dispatchQueued();
    // Dispatches the held events, then those `next` yields (from the socket or only xcb's queue).
    void dispatchEvents(xcb_generic_event_t* (*next)(xcb_connection_t*));
    void dispatchOne(const xcb_generic_event_t* event);
    void checkConnection();
    void queryExtensions();

    xcb_connection_t* m_connection = nullptr;
    std::uint32_t m_root = 0;
    std::uint32_t m_clientMask = 0;
    bool m_hasXTest = false;
    bool m_hasXInput2 = false;
    bool m_hasXFixes = false;
    bool m_hasXRes = false;
    std::uint8_t m_xfixesFirstEvent = 0;
    std::uint8_t m_xinputOpcode = 0;
    QHash<QByteArray, std::uint32_t> m_atoms;
    std::map<int, EventHandler> m_handlers;
    int m_nextHandlerId = 1;
    std::deque<std::unique_ptr<xcb_generic_event_t, void (*)(void*)>> m_held;
    QSocketNotifier* m_notifier = nullptr;
    bool m_lost = false;
};

} // namespace velto
