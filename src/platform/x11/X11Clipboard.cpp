#include "platform/x11/X11Clipboard.h"

#include "platform/x11/X11Connection.h"
#include "platform/x11/X11SelectionOwner.h"
#include "platform/x11/X11SelectionReader.h"

#include <QElapsedTimer>
#include <cstdlib>
#include <xcb/xcb.h>
#include <xcb/xfixes.h>

namespace velto {

namespace {
constexpr std::chrono::milliseconds handOverTimeout{2000};
// A clipboard manager may ask with the time of the ownership change, which the server stamps
// up to a millisecond after the time we took ownership with: the mark comes after both.
constexpr std::uint32_t markAfterOwnership = 2;
constexpr std::chrono::milliseconds markBudget{20};
constexpr qsizetype maxWatchers = 64;

// Server times wrap around after 49 days.
bool isAtOrAfter(std::uint32_t time, std::uint32_t reference)
{
    return std::int32_t(time - reference) >= 0;
}
} // namespace

bool X11Clipboard::isContentTarget(const QByteArray& name)
{
    static const QList<QByteArray> protocol{
        "TARGETS", "TIMESTAMP", "MULTIPLE", "SAVE_TARGETS", "DELETE", "GTK_TEXT_BUFFER_CONTENTS"};
    return !name.isEmpty() && !protocol.contains(name) && !name.startsWith("INSERT_");
}

X11Clipboard::X11Clipboard(X11Connection& connection) : m_connection(connection)
{
    if (!m_connection.isConnected())
        return;
    m_selection = m_connection.atom("CLIPBOARD");
    m_reader = std::make_unique<X11SelectionReader>(m_connection);
    m_owner = std::make_unique<X11SelectionOwner>(m_connection, m_selection);
    m_owner->onServed = [this](std::uint32_t requestor, std::uint32_t target, std::uint32_t time) {
        served(requestor, target, time);
    };
    if (m_connection.hasXFixes()) {
        xcb_xfixes_select_selection_input(
            m_connection.xcb(), m_owner->window(), m_selection,
            XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER |
                XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_WINDOW_DESTROY |
                XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_CLIENT_CLOSE);
        m_connection.flush();
    }
    m_handlerId = m_connection.addEventHandler(
        [this](const xcb_generic_event_t* event) { handleEvent(event); });
}

X11Clipboard::~X11Clipboard()
{
    if (m_handlerId)
        m_connection.removeEventHandler(m_handlerId);
    if (m_owner)
        m_owner->handOverToClipboardManager(handOverTimeout);
}

void X11Clipboard::handleEvent(const void* raw)
{
    const auto* event = static_cast<const xcb_generic_event_t*>(raw);
    if (!m_connection.hasXFixes() ||
        event->response_type != m_connection.xfixesFirstEvent() + XCB_XFIXES_SELECTION_NOTIFY)
        return;
    const auto* notify = static_cast<const xcb_xfixes_selection_notify_event_t*>(raw);
    if (notify->selection != m_selection)
        return;
    const bool ours = notify->subtype == XCB_XFIXES_SELECTION_EVENT_SET_SELECTION_OWNER &&
                      (notify->owner == m_owner->window() || notify->owner == XCB_WINDOW_NONE);
    if (ours && m_ownChangesPending > 0) {
        --m_ownChangesPending;
        return;
    }
    ++m_changeCount;
    m_waiter.notify();
}

bool X11Clipboard::isTextTarget(std::uint32_t target)
{
    static const char* const names[] = {
        "UTF8_STRING", "STRING", "TEXT", "COMPOUND_TEXT", "text/plain;charset=utf-8", "text/plain"};
    for (const char* name : names) {
        if (target == m_connection.atom(name))
            return true;
    }
    return false;
}

void X11Clipboard::served(std::uint32_t requestor, std::uint32_t target, std::uint32_t time)
{
    if (!isTextTarget(target))
        return;
    const std::uint32_t client = requestor & m_connection.clientMask();
    const bool counts =
        m_expectingRead &&
        (time == XCB_CURRENT_TIME ? !m_watchers.contains(client) : isAtOrAfter(time, m_readMark));
    if (!counts) {
        if (m_watchers.size() >= maxWatchers)
            m_watchers.clear();
        m_watchers.insert(client);
        return;
    }
    m_textRead = true;
    m_waiter.notify();
}

QCoro::Task<bool> X11Clipboard::waitForChange(qint64 since, std::chrono::milliseconds maximum)
{
    co_return co_await m_waiter.waitUntil([this, since] { return changeCount() > since; }, maximum);
}

void X11Clipboard::expectTextRead()
{
    m_textRead = false;
    m_expectingRead = m_connection.isConnected() && m_owner->owns();
    if (!m_expectingRead)
        return;
    // Requests already sent were asked before the mark.
    m_connection.processPendingEvents();
    QElapsedTimer elapsed;
    elapsed.start();
    do
        m_readMark = m_connection.serverTime(m_owner->window());
    while (!isAtOrAfter(m_readMark, m_owner->ownedSince() + markAfterOwnership) &&
           std::chrono::milliseconds(elapsed.elapsed()) < markBudget);
}

QCoro::Task<bool> X11Clipboard::waitForTextRead(std::chrono::milliseconds maximum)
{
    co_return co_await m_waiter.waitUntil([this] { return m_textRead; }, maximum);
}

qint64 X11Clipboard::changeCount()
{
    // Count what the server has reported by now, not only what the loop has handled.
    m_connection.processPendingEvents();
    return m_changeCount;
}

QCoro::Task<std::optional<ClipboardSnapshot>> X11Clipboard::readItems()
{
    if (!m_connection.isConnected())
        co_return std::nullopt;
    if (m_owner->owns()) {
        ClipboardItem item;
        const auto& contents = m_owner->contents();
        for (auto it = contents.cbegin(); it != contents.cend(); ++it)
            item.insert(QString::fromLatin1(m_connection.atomName(it.key())), it->bytes);
        co_return ClipboardSnapshot{item};
    }
    xcb_connection_t* c = m_connection.xcb();
    auto* reply =
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, m_selection), nullptr);
    const bool hasOwner = reply && reply->owner != XCB_WINDOW_NONE;
    std::free(reply);
    if (!hasOwner)
        co_return std::nullopt;

    ClipboardItem item;
    QElapsedTimer elapsed;
    elapsed.start();
    for (std::uint32_t target : co_await m_reader->targets(m_selection)) {
        // An owner that answers slowly or not at all must not hold the rewrite up for long.
        if (std::chrono::milliseconds(elapsed.elapsed()) > captureBudget)
            break;
        const QByteArray name = m_connection.atomName(target);
        if (!isContentTarget(name))
            continue;
        const std::optional<X11SelectionReader::Answer> answer =
            co_await m_reader->convert(m_selection, target);
        if (!answer)
            continue;
        const QString key = QString::fromLatin1(name);
        item.insert(key, answer->data);
        m_formats.insert(key, Format{answer->type, answer->format});
    }
    co_return ClipboardSnapshot{item};
}

QCoro::Task<std::optional<QString>> X11Clipboard::readString()
{
    if (!m_connection.isConnected())
        co_return std::nullopt;
    const std::uint32_t utf8 = m_connection.atom("UTF8_STRING");
    if (m_owner->owns()) {
        const auto it = m_owner->contents().constFind(utf8);
        if (it != m_owner->contents().constEnd())
            co_return QString::fromUtf8(it->bytes);
        co_return std::nullopt;
    }
    if (auto answer = co_await m_reader->convert(m_selection, utf8))
        co_return QString::fromUtf8(answer->data);
    if (auto answer =
            co_await m_reader->convert(m_selection, m_connection.atom("text/plain;charset=utf-8")))
        co_return QString::fromUtf8(answer->data);
    if (auto answer = co_await m_reader->convert(m_selection, XCB_ATOM_STRING))
        co_return QString::fromLatin1(answer->data);
    co_return std::nullopt;
}

void X11Clipboard::clearContents()
{
    if (!m_connection.isConnected())
        return;
    m_owner->clear();
    m_expectingRead = false;
    ++m_changeCount;
    ++m_ownChangesPending;
}

void X11Clipboard::own(const QMap<std::uint32_t, QPair<Format, QByteArray>>& targets)
{
    m_expectingRead = false;
    X11SelectionOwner::Contents contents;
    for (auto it = targets.cbegin(); it != targets.cend(); ++it)
        contents.insert(it.key(), {it->first.type, it->first.format, it->second});
    if (m_owner->own(std::move(contents))) {
        ++m_changeCount;
        ++m_ownChangesPending;
    }
}

void X11Clipboard::setString(const QString& text)
{
    if (!m_connection.isConnected())
        return;
    const QByteArray utf8 = text.toUtf8();
    const std::uint32_t utf8Type = m_connection.atom("UTF8_STRING");
    QMap<std::uint32_t, QPair<Format, QByteArray>> targets;
    targets.insert(utf8Type, {{utf8Type, 8}, utf8});
    targets.insert(m_connection.atom("TEXT"), {{utf8Type, 8}, utf8});
    const std::uint32_t plainUtf8 = m_connection.atom("text/plain;charset=utf-8");
    targets.insert(plainUtf8, {{plainUtf8, 8}, utf8});
    const std::uint32_t plain = m_connection.atom("text/plain");
    targets.insert(plain, {{plain, 8}, utf8});
    // STRING is Latin-1: offered only when the text fits it.
    const QByteArray latin1 = text.toLatin1();
    if (QString::fromLatin1(latin1) == text)
        targets.insert(XCB_ATOM_STRING, {{XCB_ATOM_STRING, 8}, latin1});
    // Clipboard managers that honour this do not record the rewritten text.
    const std::uint32_t hint = m_connection.atom(passwordManagerHint.toLatin1().constData());
    targets.insert(hint, {{hint, 8}, QByteArrayLiteral("secret")});
    own(targets);
}

void X11Clipboard::writeItems(const ClipboardSnapshot& items)
{
    if (!m_connection.isConnected())
        return;
    // X11 has one item: merge them, an earlier item's type winning over a later one's.
    QMap<std::uint32_t, QPair<Format, QByteArray>> targets;
    for (const ClipboardItem& item : items) {
        for (auto it = item.cbegin(); it != item.cend(); ++it) {
            const QByteArray name = it.key().toLatin1();
            if (!isContentTarget(name))
                continue;
            const std::uint32_t target = m_connection.atom(name.constData());
            if (target == XCB_ATOM_NONE || targets.contains(target))
                continue;
            Format format = m_formats.value(it.key(), Format{target, 8});
            const int unit = format.format / 8;
            if ((unit != 1 && unit != 2 && unit != 4) || it->size() % unit != 0)
                format = Format{target, 8};
            targets.insert(target, {format, *it});
        }
    }
    own(targets);
}

} // namespace velto
