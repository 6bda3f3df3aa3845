#include "auth/SecretServiceKeychainStore.h"

#include "auth/KeychainError.h"
#include "model/ClientLogger.h"

#include <QCoro/QCoroSignal>
#include <qt6keychain/keychain.h>

namespace velto {

namespace {

// Runs a job to its end or until the keyring has been silent for too long. A job that is still
// running cannot be stopped, so it is left to delete itself whenever it finishes.
QCoro::Task<bool> finishes(QKeychain::Job* job, std::chrono::milliseconds timeout)
{
    job->setAutoDelete(false);
    // Listen before starting, so an answer that comes at once is not missed.
    auto finished = qCoro(job, &QKeychain::Job::finished, timeout);
    job->start();
    const auto result = co_await finished;
    if (result.has_value()) {
        job->deleteLater();
        co_return true;
    }
    QObject::connect(job, &QKeychain::Job::finished, job, &QObject::deleteLater);
    co_return false;
}

} // namespace

SecretServiceKeychainStore::SecretServiceKeychainStore(std::chrono::milliseconds answerTimeout)
    : m_answerTimeout(answerTimeout)
{
}

QCoro::Task<std::optional<QByteArray>> SecretServiceKeychainStore::read(QString service,
                                                                        QString account)
{
    auto* job = new QKeychain::ReadPasswordJob(service);
    job->setKey(account);
    if (!co_await finishes(job, m_answerTimeout)) {
        ClientLogger::warning(u"keychain read failed: ", u"the system keyring did not answer");
        throw KeychainError::unreadableNoAnswer();
    }
    if (job->error() == QKeychain::NoError)
        co_return job->binaryData();
    if (job->error() == QKeychain::EntryNotFound)
        co_return std::nullopt;
    ClientLogger::warning(u"keychain read failed: ", job->errorString());
    throw KeychainError::unreadable(job->errorString());
}

QCoro::Task<void> SecretServiceKeychainStore::save(QString service, QString account,
                                                   QByteArray value)
{
    try {
        co_await remove(service, account);
    } catch (const AppError&) {
        // The write below replaces the item anyway, and says so when the keyring fails.
    }

    auto* job = new QKeychain::WritePasswordJob(service);
    job->setKey(account);
    job->setBinaryData(value);
    if (!co_await finishes(job, m_answerTimeout)) {
        ClientLogger::error(u"keychain save failed: ", u"the system keyring did not answer");
        throw KeychainError::noAnswer();
    }
    switch (job->error()) {
    case QKeychain::NoError:
        co_return;
    case QKeychain::AccessDenied:
    case QKeychain::AccessDeniedByUser:
        ClientLogger::error(u"keychain save failed: ", job->errorString());
        throw KeychainError::accessDenied(job->errorString());
    default:
        ClientLogger::error(u"keychain save failed: ", job->errorString());
        throw KeychainError::unavailable(job->errorString());
    }
}

QCoro::Task<void> SecretServiceKeychainStore::remove(QString service, QString account)
{
    auto* job = new QKeychain::DeletePasswordJob(service);
    job->setKey(account);
    if (!co_await finishes(job, m_answerTimeout)) {
        ClientLogger::warning(u"keychain delete failed: ", u"the system keyring did not answer");
        throw KeychainError::notRemovedNoAnswer();
    }
    if (job->error() != QKeychain::NoError && job->error() != QKeychain::EntryNotFound) {
        ClientLogger::warning(u"keychain delete failed: ", job->errorString());
        throw KeychainError::notRemoved(job->errorString());
    }
}

} // namespace velto
