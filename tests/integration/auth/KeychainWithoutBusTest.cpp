#include "AuthFixture.h"
#include "auth/KeychainError.h"
#include "auth/SecretServiceKeychainStore.h"
#include "support/TestRegistry.h"

#include <QDir>
#include <QTest>

using namespace velto;

// The real store with no session bus at all: nothing is found, nothing is written anywhere.
class KeychainWithoutBusTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (qEnvironmentVariableIsSet("DBUS_SESSION_BUS_ADDRESS"))
            QSKIP("needs an environment without a session bus (scripts/with-env unit)");
    }

    void readFindsNothingAndSaveSaysTheKeyringIsUnavailable()
    {
        SecretServiceKeychainStore store(std::chrono::seconds(20));
        QCOMPARE(runTask(store.read(AuthService::keychainService, AuthService::keychainAccount)),
                 std::nullopt);
        const AppError error =
            thrownBy(store.save(AuthService::keychainService, AuthService::keychainAccount, "{}"));
        QCOMPARE(error.domain(), KeychainError::domain);
        QVERIFY2(error.description().contains("the system keyring is unavailable"),
                 qPrintable(error.description()));
        runTask(store.remove(AuthService::keychainService, AuthService::keychainAccount));

        // No plain-file fallback: nothing appeared under the scratch home.
        const QString home = qEnvironmentVariable("HOME");
        QVERIFY(!home.isEmpty());
        QDir dir(home);
        QVERIFY(dir.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).isEmpty());
    }
};

VELTO_REGISTER_TEST(KeychainWithoutBusTest);
#include "KeychainWithoutBusTest.moc"
