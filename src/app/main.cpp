// velto: the desktop app. One instance per user; it runs in the background and rewrites the
// selection of the active application when the global shortcut is pressed.
#include "app/AppDelegate.h"
#include "app/DesktopWindows.h"
#include "app/SessionPlatform.h"
#include "auth/AuthService.h"
#include "model/AppBuildConfig.h"
#include "model/ClientLogger.h"
#include "model/UserPreferencesStore.h"
#include "net/HttpClient.h"
#include "platform/SystemClock.h"
#include "platform/TimerSleeper.h"
#include "platform/linux/AtspiFocusedSelection.h"
#include "platform/linux/CanberraSoundPlayer.h"
#include "platform/linux/CapabilityHelpPages.h"
#include "platform/linux/CrashBacktrace.h"
#include "platform/linux/DesktopLauncher.h"
#include "platform/linux/GSettingsDesktopShortcuts.h"
#include "platform/linux/JournalLogSink.h"
#include "platform/linux/LocalSocketSingleInstance.h"
#include "platform/linux/MessageBoxAlerts.h"
#include "platform/linux/SystemTranslations.h"
#include "platform/linux/UnixSignalWatcher.h"
#include "platform/linux/XdgAutostart.h"
#include "rewrite/RewriteAPI.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>

using namespace velto;

namespace {

const char* const usage =
    "Usage: velto [--trigger | --quit | --help | --version]\n"
    "\n"
    "Velto rewrites the selected text of any application in place: select text,\n"
    "press Super+Shift+L (the combination can be changed), and the rewrite\n"
    "replaces it.\n"
    "\n"
    "  (no option)  start Velto, or bring the running one to the front\n"
    "  --trigger    ask the running Velto to rewrite the current selection\n"
    "               (bind this to a shortcut in your desktop's settings when\n"
    "               the desktop has no global shortcut portal; it works\n"
    "               whatever Velto's own shortcut does)\n"
    "  --quit       ask the running Velto to quit\n"
    "  --help       show this help\n"
    "  --version    show the version\n";

// Where the installed setup help is, for reading it without the settings window.
void printInstalledHelpPages()
{
    const CapabilityHelpPages pages;
    QStringList paths;
    for (auto page :
         {CapabilityHelpPages::Page::globalShortcut, CapabilityHelpPages::Page::textReplacement}) {
        const QString path = pages.installedPath(page);
        if (!path.isEmpty())
            paths << QStringLiteral("  ") + path + QLatin1Char('\n');
    }
    if (!paths.isEmpty())
        std::printf("\nHelp for the global shortcut and for text replacement:\n%s",
                    qPrintable(paths.join(QString())));
}

} // namespace

int main(int argc, char** argv)
{
    QString message = SingleInstance::activateMessage;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "-h")) {
            std::fputs(usage, stdout);
            printInstalledHelpPages();
            return 0;
        }
        if (!std::strcmp(argv[i], "--version")) {
            std::printf(
                "velto %s\n",
                qPrintable(
                    AppBuildConfig::buildTimeTable().value(AppBuildConfig::versionKey).toString()));
            return 0;
        }
        if (!std::strcmp(argv[i], "--trigger")) {
            message = SingleInstance::triggerMessage;
        } else if (!std::strcmp(argv[i], "--quit")) {
            message = SingleInstance::quitMessage;
        } else {
            std::fprintf(stderr, "velto: unknown option %s\n\n%s", argv[i], usage);
            return 2;
        }
    }

    CrashBacktrace::install();
    // A reader that goes away mid-write (a closed pipe or socket) is an error to handle, not a
    // reason for the app to end.
    std::signal(SIGPIPE, SIG_IGN);
    ClientLogger::setSink(std::make_shared<JournalLogSink>());

    // Messages for an instance that already runs need no display.
    // Destroyed before the application object, like every other object with sockets.
    auto singleInstance = std::make_unique<LocalSocketSingleInstance>();
    if (message != SingleInstance::activateMessage) {
        if (singleInstance->sendToRunningInstance(message))
            return 0;
        std::fputs("velto: Velto is not running\n", stderr);
        return 1;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("velto"));
    QApplication::setApplicationDisplayName(QStringLiteral("Velto"));
    QApplication::setDesktopFileName(QStringLiteral("app.velto.Velto"));
    SystemTranslations::install(app);
    // A background app: closing its last window must not end it.
    QApplication::setQuitOnLastWindowClosed(false);

    std::function<void(const QString&)> onMessage;
    if (!singleInstance->claim([&onMessage](const QString& received) {
            if (onMessage)
                onMessage(received);
        })) {
        singleInstance->sendToRunningInstance(SingleInstance::activateMessage);
        return 0;
    }

    DesktopLauncher launcher;
    const auto platform = createSessionPlatform(launcher, UserPreferencesStore::shared());
    XdgAutostart autostart;
    CanberraSoundPlayer sound;
    MessageBoxAlerts alerts;
    TimerSleeper sleeper;
    SystemClock clock;
    RewriteAPI rewriteAPI(std::make_shared<HttpClient>());
    GSettingsDesktopShortcuts desktopShortcuts(qEnvironmentVariable("XDG_CURRENT_DESKTOP"),
                                               QCoreApplication::applicationFilePath());

    AppServices services{platform->sessionAccess(),
                         platform->keyTap(),
                         platform->keyMonitor(),
                         platform->syntheticKeys(),
                         platform->clipboard(),
                         platform->focusedSelection(),
                         platform->workspace(),
                         autostart,
                         sound,
                         alerts,
                         sleeper,
                         clock,
                         AuthService::shared(),
                         rewriteAPI,
                         UserPreferencesStore::shared(),
                         desktopShortcuts,
                         [] { return AppBuildConfig::load(); },
                         [] { QTimer::singleShot(0, qApp, &QCoreApplication::quit); },
                         [] {}};
    AppDelegate delegate(services);
    platform->onCapabilitiesChanged = [&delegate] { delegate.applicationDidBecomeActive(); };
    // The tray icon, the quick panel and the settings window.
    CapabilityHelpPages helpPages;
    delegate.setHelpPages([&helpPages](AppDelegate::HelpPage page) {
        return helpPages.url(page == AppDelegate::HelpPage::globalShortcut
                                 ? CapabilityHelpPages::Page::globalShortcut
                                 : CapabilityHelpPages::Page::textReplacement);
    });
    DesktopWindows desktopWindows(delegate);
    delegate.setWindows(&desktopWindows);

    onMessage = [&delegate](const QString& received) {
        if (received == SingleInstance::triggerMessage)
            delegate.triggerRewriteFromSelection();
        else if (received == SingleInstance::quitMessage)
            QCoreApplication::quit();
        else {
            // A second launch (or the desktop launcher) is how a desktop without a tray
            // reaches the settings.
            delegate.applicationDidBecomeActive();
            delegate.openSettings();
        }
    };
    QObject::connect(&app, &QGuiApplication::applicationStateChanged, &delegate,
                     [&delegate](Qt::ApplicationState state) {
                         if (state == Qt::ApplicationActive)
                             delegate.applicationDidBecomeActive();
                     });
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &delegate,
                     [&delegate] { delegate.applicationWillTerminate(); });
    UnixSignalWatcher signalWatcher({SIGINT, SIGTERM, SIGHUP});
    QObject::connect(&signalWatcher, &UnixSignalWatcher::received, &app,
                     [] { QCoreApplication::quit(); });

    QTimer::singleShot(0, &delegate, [&delegate] { delegate.applicationDidFinishLaunching(); });
    const int status = app.exec();
    // Let the controller's last tasks end (a cancelled clipboard guard, the backend told that a
    // sign-in was abandoned), for at most a second.
    QElapsedTimer draining;
    draining.start();
    while (!delegate.isIdle() && draining.elapsed() < 1000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    // Hands the clipboard to a clipboard manager while the connection still works.
    platform->releaseClipboard();
    singleInstance.reset();
    return status;
}
