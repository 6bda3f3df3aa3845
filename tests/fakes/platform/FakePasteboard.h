#pragma once

#include "fakes/platform/FakeEventLog.h"
#include "platform/Pasteboard.h"

namespace velto::fakes {

// An in-memory clipboard: items (none = no items at all) and a change count that grows with each
// write, as the system's does.
class FakePasteboard : public Pasteboard
{
public:
    static inline const QString stringType = QStringLiteral("public.utf8-plain-text");

    explicit FakePasteboard(FakeEventLog* log = nullptr) : m_log(log) {}

    std::optional<PasteboardSnapshot> items;
    qint64 count = 0;
    QList<QString> stringsWritten;

    // Another application writing to the clipboard.
    void externalWrite(const PasteboardSnapshot& newItems)
    {
        items = newItems;
        ++count;
    }

    QCoro::Task<std::optional<PasteboardSnapshot>> readItems() override
    {
        // A copy: g++ 12 moves from a member named in co_return.
        std::optional<PasteboardSnapshot> copy = items;
        co_return copy;
    }
    QCoro::Task<std::optional<QString>> readString() override
    {
        if (items) {
            for (const PasteboardItem& item : *items) {
                if (item.contains(stringType))
                    co_return QString::fromUtf8(item.value(stringType));
            }
        }
        co_return std::nullopt;
    }
    qint64 changeCount() override { return count; }
    void clearContents() override
    {
        log(QStringLiteral("pasteboard clear"));
        items = PasteboardSnapshot{};
        ++count;
    }
    void setString(const QString& text) override
    {
        log(QStringLiteral("pasteboard setString"));
        stringsWritten.append(text);
        if (!items)
            items = PasteboardSnapshot{};
        items->append(PasteboardItem{{stringType, text.toUtf8()}});
        ++count;
    }
    void writeItems(const PasteboardSnapshot& newItems) override
    {
        log(QStringLiteral("pasteboard writeItems %1").arg(newItems.size()));
        if (!items)
            items = PasteboardSnapshot{};
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
