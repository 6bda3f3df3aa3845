#include "platform/AutostartError.h"
#include "platform/linux/CapabilityHelpPages.h"
#include "platform/linux/JournalLogSink.h"
#include "platform/linux/LocalSocketSingleInstance.h"
#include "platform/linux/XdgAutostart.h"
#include "support/TestRegistry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace velto;

namespace {

const QString entryName = QStringLiteral("/autostart/app.velto.Velto.desktop");

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

bool writeFile(const QString& path, const QByteArray& data)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
}

// Runs the single-instance probe to its end while this process keeps serving its own event
// loop; -1 when it is still running after ten seconds.
int runProbe(const QStringList& arguments)
{
    QProcess probe;
    probe.start(QStringLiteral(VELTO_SINGLE_INSTANCE_PROBE), arguments);
    if (!QTest::qWaitFor([&] { return probe.state() == QProcess::NotRunning; }, 10000))
        return -1;
    return probe.exitCode();
}

} // namespace

class LinuxServicesTest : public QObject
{
    Q_OBJECT

private slots:
    void loginItemIsAnAutostartEntry()
    {
        QTemporaryDir config;
        const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
        QCOMPARE(XdgAutostart().entryPath(), config.path() + entryName);
        qputenv("XDG_CONFIG_HOME", saved);
        XdgAutostart items(config.path(), "/opt/Velto/bin/velto");
        QCOMPARE(items.status(), AutostartStatus::notRegistered);
        items.registerApp();
        QCOMPARE(items.status(), AutostartStatus::enabled);
        const QByteArray text = readFile(config.path() + entryName);
        QVERIFY2(text.startsWith("[Desktop Entry]\n"), text.constData());
        QVERIFY2(text.contains("\nExec=/opt/Velto/bin/velto\n"), text.constData());
        QVERIFY2(text.contains("\nType=Application\n"), text.constData());
        items.unregisterApp();
        QCOMPARE(items.status(), AutostartStatus::notRegistered);
        QVERIFY(!QFileInfo::exists(config.path() + entryName));
        items.unregisterApp(); // nothing to remove is not a failure

        // A hidden entry is one the user turned off.
        QVERIFY(QDir().mkpath(config.path() + "/autostart"));
        QVERIFY(writeFile(config.path() + entryName,
                          "[Desktop Entry]\nType=Application\nExec=velto\nHidden=true\n"));
        QCOMPARE(items.status(), AutostartStatus::notRegistered);
    }

    void registerFailureCarriesTheSystemsReason()
    {
        QTemporaryDir config;
        QVERIFY(writeFile(config.path() + "/autostart", {})); // a file where the folder goes
        XdgAutostart items(config.path(), "/usr/bin/velto");
        try {
            items.registerApp();
            QFAIL("register succeeded");
        } catch (const AppError& error) {
            QVERIFY(error.is(AutostartError::domain, AutostartError::registerFailedCode));
            QVERIFY(!error.description().isEmpty());
        }
        QCOMPARE(items.status(), AutostartStatus::notRegistered);
    }

    void execArgumentIsQuotedAndEscaped_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("argument");
        QTest::newRow("plain") << "/usr/bin/velto" << QString("/usr/bin/velto");
        QTest::newRow("space") << "/opt/My Apps/velto" << QString("\"/opt/My Apps/velto\"");
        QTest::newRow("dollar") << "/opt/$x/velto" << QString("\"/opt/\\\\$x/velto\"");
        QTest::newRow("percent") << "/opt/100%/velto" << QString("/opt/100%%/velto");
        QTest::newRow("line break cannot be written") << "/opt/a\nb" << QString();
    }
    void execArgumentIsQuotedAndEscaped()
    {
        QFETCH(QString, path);
        QFETCH(QString, argument);
        QCOMPARE(XdgAutostart::execArgument(path),
                 argument.isNull() ? std::nullopt : std::optional(argument));
    }

    void secondLaunchHandsItsMessageToTheRunningInstance()
    {
        QTemporaryDir runtime;
        LocalSocketSingleInstance first(runtime.path());
        QStringList received;
        QVERIFY(first.claim([&](const QString& message) { received << message; }));
        QCOMPARE(runProbe({runtime.path(), "send", "trigger"}), 0);
        QCOMPARE(received, QStringList{"trigger"});
        QCOMPARE(runProbe({runtime.path(), "claim"}), 1);
    }

    void aCrashedInstanceDoesNotBlockTheNextOne()
    {
        QTemporaryDir runtime;
        QProcess crashed;
        crashed.start(QStringLiteral(VELTO_SINGLE_INSTANCE_PROBE), {runtime.path(), "claim"});
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

    // Without $XDG_RUNTIME_DIR the folder lives in the shared /tmp: a new one is made private,
    // one of ours left open is closed, and a link planted there is never followed.
    void theSocketFolderIsPrivateAndNeverALink()
    {
        QTemporaryDir shared;
        const QString fresh = shared.path() + QStringLiteral("/velto-fresh");
        QVERIFY(LocalSocketSingleInstance(fresh).claim([](const QString&) {}));
        QCOMPARE(QFileInfo(fresh).permissions() & 0x0777, QFileDevice::Permissions(0x0700));

        const QString loose = shared.path() + QStringLiteral("/velto-loose");
        QVERIFY(QDir().mkdir(loose));
        QFile::setPermissions(loose, QFileDevice::Permissions(0x7755));
        QVERIFY(LocalSocketSingleInstance(loose).claim([](const QString&) {}));
        QCOMPARE(QFileInfo(loose).permissions() & 0x0777, QFileDevice::Permissions(0x0700));

        const QString elsewhere = shared.path() + QStringLiteral("/elsewhere");
        QVERIFY(QDir().mkdir(elsewhere));
        QFile::setPermissions(elsewhere, QFileDevice::Permissions(0x7755));
        const QString planted = shared.path() + QStringLiteral("/velto-planted");
        QVERIFY(QFile::link(elsewhere, planted));
        LocalSocketSingleInstance instance(planted);
        QVERIFY(instance.claim([](const QString&) {}));
        QVERIFY(QDir(elsewhere)
                    .entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::System)
                    .isEmpty());
        QCOMPARE(QFileInfo(elsewhere).permissions() & 0x0777, QFileDevice::Permissions(0x0755));
    }

    void journalFieldsAndPriorities()
    {
        QCOMPARE(
            JournalLogSink::fields(LogLevel::warning, "hotkey unavailable"),
            (QByteArrayList{"MESSAGE=hotkey unavailable", "PRIORITY=3", "SYSLOG_IDENTIFIER=velto",
                            "SUBSYSTEM=app.velto.Velto", "CATEGORY=app"}));
        QCOMPARE(JournalLogSink::priority(LogLevel::info), 6);
        QCOMPARE(JournalLogSink::priority(LogLevel::error), 2);
        QVERIFY(!JournalLogSink("/nonexistent/journal/socket").usesJournal());
    }

    // Pages not installed are written out under the cache for the browser.
    void installedHelpPagesAreOpenedInPlace_data()
    {
        QTest::addColumn<QStringList>("installed");
        QTest::addColumn<bool>("inputFromInstall");
        QTest::addColumn<bool>("accessFromInstall");
        QTest::newRow("both installed")
            << QStringList{"global-shortcut.html", "text-replacement.html"} << true << true;
        QTest::newRow("one missing") << QStringList{"text-replacement.html"} << false << true;
        QTest::newRow("none (a build folder)") << QStringList{} << false << false;
    }
    void installedHelpPagesAreOpenedInPlace()
    {
        QFETCH(QStringList, installed);
        QFETCH(bool, inputFromInstall);
        QFETCH(bool, accessFromInstall);
        QTemporaryDir cache;
        QTemporaryDir share;
        for (const QString& name : installed)
            QVERIFY(
                writeFile(share.path() + "/" + name, "<!DOCTYPE html><title>installed</title>"));
        // Without installed pages, the default place next to the binary: a build folder has none.
        CapabilityHelpPages pages(cache.path() + "/help",
                                  installed.isEmpty() ? QString() : share.path());
        const QString input = pages.url(CapabilityHelpPages::Page::globalShortcut).toLocalFile();
        const QString access = pages.url(CapabilityHelpPages::Page::textReplacement).toLocalFile();
        QCOMPARE(input.startsWith(share.path() + "/"), inputFromInstall);
        QCOMPARE(access.startsWith(share.path() + "/"), accessFromInstall);
        QCOMPARE(input.startsWith(cache.path() + "/help/"), !inputFromInstall);
        QCOMPARE(access.startsWith(cache.path() + "/help/"), !accessFromInstall);
        QCOMPARE(pages.installedPath(CapabilityHelpPages::Page::globalShortcut).isEmpty(),
                 !inputFromInstall);
        // Nothing is written out while every page is installed.
        QCOMPARE(QFileInfo::exists(cache.path() + "/help"),
                 !(inputFromInstall && accessFromInstall));
        if (inputFromInstall)
            return;
        QVERIFY(input != access);
        QVERIFY(readFile(input).contains("velto --trigger"));
        // A page someone changed is put back.
        QVERIFY(writeFile(input, "tampered"));
        pages.url(CapabilityHelpPages::Page::globalShortcut);
        QVERIFY(readFile(input).startsWith("<!DOCTYPE html>"));
    }

    // The help opens in the user's language where there is a copy in it, else in English.
    void helpPagesFollowTheLanguage()
    {
        QTemporaryDir cache;
        QTemporaryDir share;
        const auto page = CapabilityHelpPages::Page::textReplacement;
        const QString german =
            CapabilityHelpPages(cache.path() + "/help", share.path(), QLocale("de_DE"))
                .url(page)
                .toLocalFile();
        QCOMPARE(german, cache.path() + "/help/de/text-replacement.html");
        QVERIFY(readFile(german).contains("<html lang=\"de\">"));
        const QString french =
            CapabilityHelpPages(cache.path() + "/help", share.path(), QLocale("fr_FR"))
                .url(page)
                .toLocalFile();
        QCOMPARE(french, cache.path() + "/help/text-replacement.html");
        QVERIFY(readFile(french).contains("<html lang=\"en\">"));

        // Installed: the German copy where it is installed, the English page where it is not.
        QVERIFY(writeFile(share.path() + "/text-replacement.html", "english"));
        const CapabilityHelpPages installed(cache.path() + "/help", share.path(), QLocale("de_DE"));
        QCOMPARE(installed.installedPath(page), share.path() + "/text-replacement.html");
        QVERIFY(QDir(share.path()).mkpath("de"));
        QVERIFY(writeFile(share.path() + "/de/text-replacement.html", "deutsch"));
        QCOMPARE(installed.installedPath(page), share.path() + "/de/text-replacement.html");
    }
};

VELTO_REGISTER_TEST(LinuxServicesTest);
#include "LinuxServicesTest.moc"
