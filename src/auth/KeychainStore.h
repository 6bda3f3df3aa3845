#pragma once

#include <QByteArray>
#include <QCoro/QCoroTask>
#include <QString>
#include <optional>

namespace velto {

// Secret items keyed by (service, account).
class KeychainStore
{
public:
    virtual ~KeychainStore() = default;

    // The item's data, or nothing when it is absent. Throws KeychainError when the keyring
    // cannot be asked (none on the bus, no answer, access denied).
    virtual QCoro::Task<std::optional<QByteArray>> read(QString service, QString account) = 0;
    // Replaces the item: delete, then add. Throws KeychainError when the add fails.
    virtual QCoro::Task<void> save(QString service, QString account, QByteArray value) = 0;
    // Removes the item; absence is fine. Throws KeychainError when the keyring fails, since a
    // session left behind would sign the user in again.
    virtual QCoro::Task<void> remove(QString service, QString account) = 0;
};

} // namespace velto
