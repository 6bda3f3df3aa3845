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
#include "platform/linux/KGlobalAccelShortcuts.h"
#include "platform/linux/LocalSocketSingleInstance.h"
#include "platform/linux/MessageBoxAlerts.h"
#include "platform/linux/SystemTranslations.h"
#include "platform/linux/UnixSignalWatcher.h"
#include "platform/linux/XdgAutostart.h"
#include "platform/wayland/PortalKeyTap.h"
#include "rewrite/RewriteAPI.h"

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QTimer>
#include <QTranslator>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>

using namespace velto;

namespace {

//: keep the options and the column layout; Super+Shift+L is the default shortcut
const char* const usage = QT_TRANSLATE_NOOP(
    "velto", "Usage: velto [--trigger | --quit | --help | --version]\n"
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
             "  --version    show the version\n");

// What is printed before the application object exists (it needs a display, and --help must
// not) is looked up in our catalogue loaded on its own, in the language the application loads.
QString translated(const QTranslator& catalogue, const char* source)
{
    const QString text = catalogue.translate("velto", source);
    return text.isEmpty() ? QString::fromUtf8(source) : text;
}

void print(FILE* stream, const QString& text)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
}

// Where the installed setup help is, for reading it without the settings window.
void printInstalledHelpPages(const QTranslator& catalogue)
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
        print(stdout,
              u'\n' +
                  translated(
                      catalogue,
                      QT_TRANSLATE_NOOP(
                          "velto", "Help for the global shortcut and for text replacement:\n")) +
                  paths.join(QString()));
}

} // namespace

int main(int argc, char** argv)
{
    QTranslator catalogue;
    SystemTranslations::load(catalogue);
    QString message = SingleInstance::activateMessage;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "-h")) {
            print(stdout, translated(catalogue, usage));
            printInstalledHelpPages(catalogue);
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
            //: %1 is the option as the user typed it
            print(stderr,
                  translated(catalogue, QT_TRANSLATE_NOOP("velto", "velto: unknown option %1\n\n"))
                          .arg(QString::fromLocal8Bit(argv[i])) +
                      translated(catalogue, usage));
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
        print(stderr,
              translated(catalogue, QT_TRANSLATE_NOOP("velto", "velto: Velto is not running\n")));
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
    const QString currentDesktop = qEnvironmentVariable("XDG_CURRENT_DESKTOP");
    std::unique_ptr<DesktopShortcuts> desktopShortcuts;
    KGlobalAccelShortcuts* plasmaShortcuts = nullptr;
    if (KGlobalAccelShortcuts::runsOn(currentDesktop)) {
        auto plasma = std::make_unique<KGlobalAccelShortcuts>(
            QDBusConnection::sessionBus(),
            QStringList{PortalKeyTap::sessionToken, QGuiApplication::desktopFileName()});
        plasmaShortcuts = plasma.get();
        desktopShortcuts = std::move(plasma);
    } else {
        desktopShortcuts = std::make_unique<GSettingsDesktopShortcuts>(
            currentDesktop, QCoreApplication::applicationFilePath());
    }

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
                         *desktopShortcuts,
                         [] { return AppBuildConfig::load(); },
                         [] { QTimer::singleShot(0, qApp, &QCoreApplication::quit); },
                         [] {},
                         [](const QString& text) { QGuiApplication::clipboard()->setText(text); }};
    AppDelegate delegate(services);
    platform->onCapabilitiesChanged = [&delegate] { delegate.applicationDidBecomeActive(); };
    if (plasmaShortcuts)
        QObject::connect(plasmaShortcuts, &KGlobalAccelShortcuts::reservedShortcutsChanged,
                         &delegate, [&delegate] { delegate.applicationDidBecomeActive(); });
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
