#pragma once

#include "auth/KeychainStore.h"

#include <chrono>

namespace velto {

// Items in the desktop's Secret Service (gnome-keyring, KWallet) through QtKeychain. Nothing
// is ever written to a plain file instead: without a keyring, reads find nothing and saves fail.
class SecretServiceKeychainStore : public KeychainStore
{
public:
    // A keyring that never answers (a stuck daemon, an unlock prompt left open) must not hold
    // the caller forever; after this long the call counts as failed.
    explicit SecretServiceKeychainStore(
        std::chrono::milliseconds answerTimeout = std::chrono::seconds(30));

    QCoro::Task<std::optional<QByteArray>> read(QString service, QString account) override;
    QCoro::Task<void> save(QString service, QString account, QByteArray value) override;
    QCoro::Task<void> remove(QString service, QString account) override;

private:
    std::chrono::milliseconds m_answerTimeout;
};

} // namespace velto
