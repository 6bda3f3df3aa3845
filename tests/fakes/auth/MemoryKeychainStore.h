#pragma once

#include "auth/KeychainStore.h"
#include "model/AppError.h"

#include <QCoro/QCoroTimer>
#include <QHash>
#include <QStringList>
#include <chrono>
#include <optional>

namespace velto {

// A keychain in memory. Records each call ("read", "save", "remove") in order; can be told to
// fail reads, saves and removes, and to answer after a delay so that calls interleave as they do on
// a real bus.
class MemoryKeychainStore : public KeychainStore
{
public:
    using Key = QPair<QString, QString>;

    QCoro::Task<std::optional<QByteArray>> read(QString service, QString account) override
    {
        calls.append(QStringLiteral("read"));
        co_await pause();
        if (readError)
            throw *readError;
        const auto it = items.constFind({service, account});
        if (it == items.cend())
            co_return std::nullopt;
        const QByteArray value = *it; // a copy: g++ 12 would move from the stored item
        co_return value;
    }
    QCoro::Task<void> save(QString service, QString account, QByteArray value) override
    {
        calls.append(QStringLiteral("save"));
        items.remove({service, account});
        co_await pause();
        if (saveError)
            throw *saveError;
        items.insert({service, account}, value);
    }
    QCoro::Task<void> remove(QString service, QString account) override
    {
        calls.append(QStringLiteral("remove"));
        co_await pause();
        if (removeError)
            throw *removeError;
        items.remove({service, account});
    }

    QHash<Key, QByteArray> items;
    QStringList calls;
    std::optional<AppError> readError;
    std::optional<AppError> saveError;
    std::optional<AppError> removeError;
    std::chrono::milliseconds latency{0};

private:
    QCoro::Task<void> pause()
    {
        if (latency.count() > 0)
            co_await QCoro::sleepFor(latency);
    }
};

} // namespace velto
