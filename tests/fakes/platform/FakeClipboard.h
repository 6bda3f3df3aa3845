#pragma once

#include "fakes/platform/FakeEventLog.h"
#include "platform/Clipboard.h"

#include <functional>

namespace velto::fakes {

// An in-memory clipboard: items (none = no items at all) and a change count that grows with each
// write, as the system's does.
class FakeClipboard : public Clipboard
{
public:
    static inline const QString stringType = QStringLiteral("public.utf8-plain-text");

    explicit FakeClipboard(FakeEventLog* log = nullptr) : m_log(log) {}

    std::optional<ClipboardSnapshot> items;
    qint64 count = 0;
    QList<QString> stringsWritten;
    // Runs when a wait starts: a test plays an application that writes or reads late here.
    std::function<void()> whileWaiting;
    // Text reads since expectTextRead(); none expected before it.
    bool expectingRead = false;
    int textReads = 0;
    // False plays a session with no clipboard we may write: writes change nothing.
    bool writable = true;

    // Another application writing to the clipboard.
    void externalWrite(const ClipboardSnapshot& newItems)
    {
        items = newItems;
        ++count;
    }

    QCoro::Task<std::optional<ClipboardSnapshot>> readItems() override
    {
        // A copy: g++ 12 moves from a member named in co_return.
        std::optional<ClipboardSnapshot> copy = items;
        co_return copy;
    }
    QCoro::Task<std::optional<QString>> readString() override
    {
        if (items) {
            for (const ClipboardItem& item : *items) {
                if (!item.contains(stringType))
                    continue;
                textReads += expectingRead;
                co_return QString::fromUtf8(item.value(stringType));
            }
        }
        co_return std::nullopt;
    }
    qint64 changeCount() override { return count; }
    void clearContents() override
    {
        log(QStringLiteral("clipboard clear"));
        expectingRead = false;
        if (!writable)
            return;
        items = ClipboardSnapshot{};
        ++count;
    }
    void setString(const QString& text) override
    {
        log(QStringLiteral("clipboard setString"));
        stringsWritten.append(text);
        expectingRead = false;
        if (!writable)
            return;
        if (!items)
            items = ClipboardSnapshot{};
        items->append(ClipboardItem{{stringType, text.toUtf8()}});
        ++count;
    }
    QCoro::Task<bool> waitForChange(qint64 since, std::chrono::milliseconds maximum) override
    {
        log(QStringLiteral("clipboard wait change %1").arg(maximum.count()));
        if (whileWaiting)
            whileWaiting();
        co_return count > since;
    }
    void expectTextRead() override
    {
        log(QStringLiteral("clipboard expect read"));
        expectingRead = true;
        textReads = 0;
    }
    QCoro::Task<bool> waitForTextRead(std::chrono::milliseconds maximum) override
    {
        log(QStringLiteral("clipboard wait read %1").arg(maximum.count()));
        if (whileWaiting)
            whileWaiting();
        co_return expectingRead&& textReads > 0;
    }
    void writeItems(const ClipboardSnapshot& newItems) override
    {
        log(QStringLiteral("clipboard writeItems %1").arg(newItems.size()));
        expectingRead = false;
        if (!writable)
            return;
        if (!items)
            items = ClipboardSnapshot{};
        items->append(newItems);
        ++count;
    }

private:
    void log(const QString& entry)
    {
        if (m_log)
            m_log->add(entry);
    }
    FakeEventLog* m_log;
};

} // namespace velto::fakes
