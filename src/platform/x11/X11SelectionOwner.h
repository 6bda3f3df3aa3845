#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <chrono>
#include <cstdint>
#include <functional>

namespace velto {

class X11Connection;

// Owns a selection and serves its data to whoever asks (TARGETS, TIMESTAMP and each stored
// target, INCR for large data) until another client takes it over.
class X11SelectionOwner
{
public:
    struct Data
    {
        std::uint32_t type = 0;
        std::uint8_t format = 8;
        QByteArray bytes;
        bool operator==(const Data&) const = default;
    };
    using Contents = QMap<std::uint32_t, Data>; // target -> data

    // Above this size data goes in INCR chunks of chunkSize.
    static constexpr qsizetype incrThreshold = 256 * 1024;
    static constexpr qsizetype chunkSize = 64 * 1024;

    X11SelectionOwner(X11Connection& connection, std::uint32_t selection);
    ~X11SelectionOwner();
    X11SelectionOwner(const X11SelectionOwner&) = delete;
    X11SelectionOwner& operator=(const X11SelectionOwner&) = delete;

    // True when the server made us the owner.
    bool own(Contents contents);
    // Leaves the selection without an owner.
    void clear();
    bool owns() const { return m_owns; }
    const Contents& contents() const { return m_contents; }
    std::uint32_t window() const { return m_window; }
    // The server time we took the selection at.
    std::uint32_t ownedSince() const { return m_ownedSince; }

    // Asks the clipboard manager, when one runs, to take a copy of what we serve, so it outlives
    // us. Serves its requests meanwhile; bounded by timeout.
    void handOverToClipboardManager(std::chrono::milliseconds timeout);

    // Called once a requestor has been given the whole data of a stored target (the last INCR
    // chunk included): its window, the target, and the time it asked with.
    std::function<void(std::uint32_t requestor, std::uint32_t target, std::uint32_t time)> onServed;

private:
    struct Transfer
    {
        std::uint32_t requestor = 0;
        std::uint32_t property = 0;
        std::uint32_t target = 0;
        std::uint32_t time = 0;
        Data data;
        qsizetype offset = 0;
        std::chrono::steady_clock::time_point lastActivity;
    };

    void handleEvent(const void* event);
    bool serverSaysWeOwn();
    void serve(const void* request);
    // True when the data was written; `incremental` tells that it goes on in INCR chunks.
    bool writeTarget(const void* request, std::uint32_t property, bool& incremental);
    void continueTransfer(std::uint32_t requestor, std::uint32_t property);
    void dropStaleTransfers();

    X11Connection& m_connection;
    std::uint32_t m_selection;
    std::uint32_t m_window = 0;
    int m_handlerId = 0;
    bool m_owns = false;
    std::uint32_t m_ownedSince = 0;
    Contents m_contents;
    QList<Transfer> m_transfers;
};

} // namespace velto
