#pragma once

#include "platform/Clipboard.h"
#include "platform/StateWaiter.h"

#include <QHash>
#include <QSet>
#include <cstdint>
#include <memory>

namespace velto {

class X11Connection;
class X11SelectionOwner;
class X11SelectionReader;

// The CLIPBOARD selection on raw xcb, byte for byte: one item whose types are the owner's targets
// (each read with its own type and format, INCR for large data). Not QClipboard, which merges
// text formats and rewrites line ends. The change count is the number of ownership changes the
// server reported through XFixes.
class X11Clipboard : public Clipboard
{
public:
    // Targets that are protocol, not content, or that point into the owner's memory.
    static bool isContentTarget(const QByteArray& name);
    static constexpr std::chrono::milliseconds captureBudget{5000};
    static inline const QString passwordManagerHint = QStringLiteral("x-kde-passwordManagerHint");

    explicit X11Clipboard(X11Connection& connection);
    // Hands what we own to the clipboard manager, so the user's clipboard outlives the app.
    ~X11Clipboard() override;

    QCoro::Task<std::optional<ClipboardSnapshot>> readItems() override;
    QCoro::Task<std::optional<QString>> readString() override;
    qint64 changeCount() override;
    void clearContents() override;
    void setString(const QString& text) override;
    void writeItems(const ClipboardSnapshot& items) override;
    QCoro::Task<bool> waitForChange(qint64 since, std::chrono::milliseconds maximum) override;
    // A read counts when it was asked with a time at or after the mark (an application pasting
    // uses the time of the key press), or, asked with no time, when it arrived after the mark
    // from a client never seen reading our text unasked. A clipboard manager asks with the time
    // of the ownership change, or was seen before.
    void expectTextRead() override;
    QCoro::Task<bool> waitForTextRead(std::chrono::milliseconds maximum) override;

private:
    struct Format
    {
        std::uint32_t type = 0;
        std::uint8_t format = 8;
    };

    void own(const QMap<std::uint32_t, QPair<Format, QByteArray>>& targets);
    void handleEvent(const void* event);
    void served(std::uint32_t requestor, std::uint32_t target, std::uint32_t time);
    bool isTextTarget(std::uint32_t target);

    X11Connection& m_connection;
    std::uint32_t m_selection = 0;
    std::unique_ptr<X11SelectionReader> m_reader;
    std::unique_ptr<X11SelectionOwner> m_owner;
    int m_handlerId = 0;
    qint64 m_changeCount = 0;
    // Our own changes are counted when made; the server's later report of them is skipped.
    int m_ownChangesPending = 0;
    // The type and format each target had when last read, so a restore gives back the same.
    QHash<QString, Format> m_formats;
    StateWaiter m_waiter;
    bool m_expectingRead = false;
    bool m_textRead = false;
    std::uint32_t m_readMark = 0;
    // Clients (by their id bits) that read our text while no paste was expected.
    QSet<std::uint32_t> m_watchers;
};

} // namespace velto
