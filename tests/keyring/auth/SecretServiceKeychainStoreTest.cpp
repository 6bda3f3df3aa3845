#include "auth/SecretServiceKeychainStore.h"
#include "integration/auth/AuthFixture.h"
#include "support/TestRegistry.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QProcess>
#include <QTest>

using namespace velto;

namespace {

const QString secrets = QStringLiteral("org.freedesktop.secrets");

// What a new process finds under the session's service and account.
std::optional<QByteArray> readInAnotherProcess()
{
    QProcess probe;
    probe.start(QStringLiteral(VELTO_KEYRING_PROBE), {});
    if (!probe.waitForFinished(60'000) || probe.exitCode() != 0)
        qFatal("keyring probe failed: %s", probe.readAllStandardError().constData());
    const QByteArray out = probe.readAllStandardOutput();
    if (out == "none")
        return std::nullopt;
    return QByteArray::fromBase64(out);
}

// Every item in the Secret Service whose attributes mention our service name, found by asking
// the daemon directly rather than through the store under test.
int itemsOfOurService()
{
    QDBusMessage search = QDBusMessage::createMethodCall(
        secrets, "/org/freedesktop/secrets", "org.freedesktop.Secret.Service", "SearchItems");
    search << QVariant::fromValue(QMap<QString, QString>());
    const QDBusMessage found = QDBusConnection::sessionBus().call(search);
    if (found.type() != QDBusMessage::ReplyMessage)
        qFatal("SearchItems failed: %s", qPrintable(found.errorMessage()));
    QList<QDBusObjectPath> items;
    for (const QVariant& list : found.arguments())
        items += qdbus_cast<QList<QDBusObjectPath>>(list);

    int ours = 0;
    for (const QDBusObjectPath& item : items) {
        QDBusMessage get = QDBusMessage::createMethodCall(secrets, item.path(),
                                                          "org.freedesktop.DBus.Properties", "Get");
        get << QStringLiteral("org.freedesktop.Secret.Item") << QStringLiteral("Attributes");
        const QDBusMessage reply = QDBusConnection::sessionBus().call(get);
        const auto attributes = qdbus_cast<QMap<QString, QString>>(
            reply.arguments().value(0).value<QDBusVariant>().variant());
        for (const QString& value : attributes) {
            if (value == AuthService::keychainService)
                ++ours;
        }
    }
    return ours;
}

} // namespace

class SecretServiceKeychainStoreTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        qDBusRegisterMetaType<QMap<QString, QString>>();
        // The daemon is started just before the test and may not have claimed its name yet.
        QTRY_VERIFY2_WITH_TIMEOUT(
            QDBusConnection::sessionBus().interface()->isServiceRegistered(secrets),
            "no Secret Service on the session bus (run through scripts/with-env keyring)", 15000);
    }

    void savesReplacesAndRemovesItems()
    {
        SecretServiceKeychainStore store;
        const QString service = QStringLiteral("app.velto.Velto.test");
        const QString account = QStringLiteral("round-trip");
        QByteArray binary(70'000, '\0');
        for (int i = 0; i < binary.size(); ++i)
            binary[i] = char(i * 7);

        runTask(store.save(service, account, "first"));
        runTask(store.save(service, account, binary));
        QCOMPARE(runTask(store.read(service, account)), std::optional(binary));
        QCOMPARE(runTask(store.read(service, "other account")), std::nullopt);

        runTask(store.remove(service, account));
        QCOMPARE(runTask(store.read(service, account)), std::nullopt);
        runTask(store.remove(service, account)); // already gone: no error
    }

    void sessionOutlivesTheProcessAndSignOutLeavesNothing()
    {
        AuthFixture f; // for its backend, model and clock; the keychain is the real one
        f.backend.on(
            "POST", "/auth/handoff/exchange",
            FakeResponse::json(
                200,
                R"({"access_token":"at-1","refresh_token":"rt-1","expires_in":3600,"user":{"id":"u","email":"k@example.test"}})"));
        AuthService first(std::make_shared<SecretServiceKeychainStore>(), f.http, f.clock);
        runTask(first.waitUntilLoaded());
        QVERIFY(!first.currentSession());
        runTask(first.exchangeWebLogin(f.model, "h", "n", "c"));
        const StoredAuthSession session = first.currentSession().value();
        QCOMPARE(itemsOfOurService(), 1);

        // A second service over a second store, as at the next launch.
        AuthService second(std::make_shared<SecretServiceKeychainStore>(), f.http, f.clock);
        runTask(second.waitUntilLoaded());
        QCOMPARE(second.currentSession(), std::optional(session));
        QCOMPARE(runTask(second.syncAuthState(f.model)),
                 AuthState::signedIn(QStringLiteral("k@example.test")));

        // And a process of its own.
        const std::optional<QByteArray> elsewhere = readInAnotherProcess();
        QVERIFY(elsewhere);
        QCOMPARE(StoredAuthSession::decode(*elsewhere), session);

        runTask(second.signOut(f.model));
        QCOMPARE(readInAnotherProcess(), std::nullopt);
        QCOMPARE(itemsOfOurService(), 0);
    }
};

VELTO_REGISTER_TEST(SecretServiceKeychainStoreTest);
#include "SecretServiceKeychainStoreTest.moc"
