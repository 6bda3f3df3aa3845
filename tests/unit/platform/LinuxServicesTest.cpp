#include "platform/LoginItemsError.h"
#include "platform/linux/JournalLogSink.h"
#include "platform/linux/LocalSocketSingleInstance.h"
#include "platform/linux/PermissionHelpPages.h"
#include "platform/linux/XdgAutostartLoginItems.h"
#include "support/TestRegistry.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace velto;

class LinuxServicesTest : public QObject
{
    Q_OBJECT

private slots:
    void loginItemIsAnAutostartEntry()
    {
        QTemporaryDir config;
        XdgAutostartLoginItems items(config.path(), "/opt/Velto/bin/velto");
        QCOMPARE(items.status(), LoginItemStatus::notRegistered);
        items.registerApp();
        QCOMPARE(items.status(), LoginItemStatus::enabled);
        QFile entry(config.path() + "/autostart/app.velto.Velto.desktop");
        QVERIFY(entry.open(QIODevice::ReadOnly));
        const QByteArray text = entry.readAll();
        QVERIFY(text.startsWith("[Desktop Entry]\n"));
        QVERIFY(text.contains("\nExec=/opt/Velto/bin/velto\n"));
        QVERIFY(text.contains("\nType=Application\n"));
        entry.close();
        items.unregisterApp();
        QCOMPARE(items.status(), LoginItemStatus::notRegistered);
        QVERIFY(!entry.exists());
        items.unregisterApp(); // nothing to remove is not a failure
    }

    void defaultLocationFollowsXdgConfigHome()
    {
        QTemporaryDir config;
        const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
        XdgAutostartLoginItems items;
        qputenv("XDG_CONFIG_HOME", saved);
        QCOMPARE(items.entryPath(), config.path() + "/autostart/app.velto.Velto.desktop");
    }

    void hiddenEntryIsNotEnabled()
    {
        QTemporaryDir config;
        QVERIFY(QDir().mkpath(config.path() + "/autostart"));
        QFile entry(config.path() + "/autostart/app.velto.Velto.desktop");
        QVERIFY(entry.open(QIODevice::WriteOnly));
        entry.write("[Desktop Entry]\nType=Application\nExec=velto\nHidden=true\n");
        entry.close();
        XdgAutostartLoginItems items(config.path(), "/usr/bin/velto");
        QCOMPARE(items.status(), LoginItemStatus::notRegistered);
    }

    void registerFailureCarriesTheSystemsReason()
    {
        QTemporaryDir config;
        // A file where the autostart folder should be.
        QFile blocker(config.path() + "/autostart");
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        XdgAutostartLoginItems items(config.path(), "/usr/bin/velto");
        try {
            items.registerApp();
            QFAIL("register succeeded");
        } catch (const AppError& error) {
            QVERIFY(error.is(LoginItemsError::domain, LoginItemsError::registerFailedCode));
            QVERIFY(!error.description().isEmpty());
        }
        QCOMPARE(items.status(), LoginItemStatus::notRegistered);
    }

    void execArgumentIsQuotedAndEscaped_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("argument");
        QTest::newRow("plain") << "/usr/bin/velto"
                               << "/usr/bin/velto";
        QTest::newRow("space") << "/opt/My Apps/velto"
                               << "\"/opt/My Apps/velto\"";
        QTest::newRow("dollar") << "/opt/$x/velto"
                                << "\"/opt/\\\\$x/velto\"";
        QTest::newRow("percent") << "/opt/100%/velto"
                                 << "/opt/100%%/velto";
    }

    void execArgumentIsQuotedAndEscaped()
    {
        QFETCH(QString, path);
        QFETCH(QString, argument);
        QCOMPARE(XdgAutostartLoginItems::execArgument(path), std::optional(argument));
        QCOMPARE(XdgAutostartLoginItems::execArgument("/opt/a\nb"), std::nullopt);
    }

    void secondLaunchHandsItsMessageToTheRunningInstance()
    {
        QTemporaryDir runtime;
        LocalSocketSingleInstance first(runtime.path());
        QStringList received;
        QVERIFY(first.claim([&](const QString& message) { received << message; }));

        QProcess second;
        second.start(probe(), {runtime.path(), "send", "trigger"});
        QTRY_VERIFY_WITH_TIMEOUT(second.state() == QProcess::NotRunning, 10000);
        QCOMPARE(second.exitCode(), 0);
        QCOMPARE(received, QStringList{"trigger"});

        QProcess third;
        third.start(probe(), {runtime.path(), "claim"});
        QTRY_VERIFY_WITH_TIMEOUT(third.state() == QProcess::NotRunning, 10000);
        QCOMPARE(third.exitCode(), 1);
    }

    void aCrashedInstanceDoesNotBlockTheNextOne()
    {
        QTemporaryDir runtime;
        QProcess crashed;
        crashed.start(probe(), {runtime.path(), "claim"});
        QByteArray output;
        QTRY_VERIFY_WITH_TIMEOUT((output += crashed.readAllStandardOutput()).contains("claimed") ||
                                     crashed.state() == QProcess::NotRunning,
                                 10000);
        QCOMPARE(crashed.state(), QProcess::Running);
        crashed.kill();
        QVERIFY(crashed.waitForFinished(5000));

        LocalSocketSingleInstance next(runtime.path());
        QVERIFY(next.claim([](const QString&) {}));
        QVERIFY(!LocalSocketSingleInstance(runtime.path()).claim([](const QString&) {}));
    }

    void journalFieldsAndPriorities()
    {
        const QByteArrayList fields =
            JournalLogSink::fields(LogLevel::warning, "hotkey unavailable");
        QCOMPARE(fields, (QByteArrayList{"MESSAGE=hotkey unavailable", "PRIORITY=3",
                                         "SYSLOG_IDENTIFIER=velto", "SUBSYSTEM=app.velto.Velto",
                                         "CATEGORY=app"}));
        QCOMPARE(JournalLogSink::priority(LogLevel::info), 6);
        QCOMPARE(JournalLogSink::priority(LogLevel::error), 2);
        QVERIFY(!JournalLogSink("/nonexistent/journal/socket").usesJournal());
    }

    void helpPagesAreWrittenOutForTheBrowser()
    {
        QTemporaryDir cache;
        PermissionHelpPages pages(cache.path() + "/help");
        const QUrl input = pages.url(PermissionHelpPages::Page::inputMonitoring);
        const QUrl access = pages.url(PermissionHelpPages::Page::accessibility);
        QVERIFY(input.isLocalFile());
        QVERIFY(access.isLocalFile());
        QVERIFY(input != access);
        QFile page(input.toLocalFile());
        QVERIFY(page.open(QIODevice::ReadOnly));
        QVERIFY(page.readAll().contains("velto --trigger"));
        // A page someone changed is put back.
        page.close();
        QVERIFY(page.open(QIODevice::WriteOnly));
        page.write("tampered");
        page.close();
        pages.url(PermissionHelpPages::Page::inputMonitoring);
        QVERIFY(page.open(QIODevice::ReadOnly));
        QVERIFY(page.readAll().startsWith("<!DOCTYPE html>"));
    }

    void installedHelpPagesAreOpenedInPlace_data()
    {
        QTest::addColumn<QStringList>("installed");
        QTest::addColumn<bool>("inputFromInstall");
        QTest::addColumn<bool>("accessFromInstall");
        QTest::newRow("both installed")
            << QStringList{"input-monitoring.html", "accessibility.html"} << true << true;
        QTest::newRow("one missing") << QStringList{"accessibility.html"} << false << true;
        QTest::newRow("none (a build folder)") << QStringList{} << false << false;
    }

    void installedHelpPagesAreOpenedInPlace()
    {
        QFETCH(QStringList, installed);
        QFETCH(bool, inputFromInstall);
        QFETCH(bool, accessFromInstall);
        QTemporaryDir cache;
        QTemporaryDir share;
        for (const QString& name : installed) {
            QFile page(share.path() + "/" + name);
            QVERIFY(page.open(QIODevice::WriteOnly));
            page.write("<!DOCTYPE html><title>installed</title>");
        }
        PermissionHelpPages pages(cache.path() + "/help", share.path());
        const QUrl input = pages.url(PermissionHelpPages::Page::inputMonitoring);
        const QUrl access = pages.url(PermissionHelpPages::Page::accessibility);
        QCOMPARE(input.toLocalFile().startsWith(share.path() + "/"), inputFromInstall);
        QCOMPARE(access.toLocalFile().startsWith(share.path() + "/"), accessFromInstall);
        QCOMPARE(input.toLocalFile().startsWith(cache.path() + "/help/"), !inputFromInstall);
        QCOMPARE(access.toLocalFile().startsWith(cache.path() + "/help/"), !accessFromInstall);
        QCOMPARE(pages.installedPath(PermissionHelpPages::Page::inputMonitoring).isEmpty(),
                 !inputFromInstall);
        // Nothing is written out while every page is installed.
        QCOMPARE(QFileInfo::exists(cache.path() + "/help"),
                 !(inputFromInstall && accessFromInstall));
    }

private:
    static QString probe() { return QStringLiteral(VELTO_SINGLE_INSTANCE_PROBE); }
};

VELTO_REGISTER_TEST(LinuxServicesTest);
#include "LinuxServicesTest.moc"
