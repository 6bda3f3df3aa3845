// velto-cli: rewrite text from the terminal with the app's own settings, session and service.
#include "auth/AuthService.h"
#include "cli/CliApp.h"
#include "model/AppBuildConfig.h"
#include "model/AppModel.h"
#include "model/ClientLogger.h"
#include "model/JsonPreferenceFile.h"
#include "model/StderrLogSink.h"
#include "model/UserPreferencesStore.h"
#include "platform/CancellationToken.h"
#include "platform/SystemClock.h"
#include "platform/TimerSleeper.h"
#include "platform/linux/JournalLogSink.h"
#include "platform/linux/SystemTranslations.h"
#include "platform/linux/UnixSignalWatcher.h"
#include "rewrite/RewriteAPI.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <memory>

using namespace velto;

namespace {

//: the columns line up; keep the numbers and their indentation
const char* const exitStatusHelp = QT_TRANSLATE_NOOP(
    "velto-cli", "Exit status:\n"
                 "    0  success\n"
                 "    1  the service or the sign-in failed\n"
                 "    2  bad arguments or unreadable input\n"
                 "    3  sign-in required (run \"velto-cli signin\")\n"
                 "    4  the service could not be reached or timed out\n"
                 "  130  a sign-in was interrupted (Ctrl+C); the backend is told\n");

//: keep the command names, options and column layout
const char* const overview = QT_TRANSLATE_NOOP(
    "velto-cli",
    "Usage: velto-cli <command> [options]\n"
    "\n"
    "Rewrites text with Velto's service, using the app's tone, language and sign-in.\n"
    "\n"
    "Commands:\n"
    "  rewrite [FILE]   rewrite FILE (or standard input) and print the result\n"
    "  signin           sign in through the browser\n"
    "  signout          sign out and forget the session\n"
    "  status           who is signed in, the backend, tone, language and catalogue\n"
    "\n"
    "Options of every command: -h, --help; -v, --verbose (print the diagnostic log lines,\n"
    "which otherwise go only to the journal, identifier velto-cli).\n"
    "\n"
    "Run \"velto-cli <command> --help\" for a command's options.\n\n");

// A text of the program's own in the user's language, for the terminal.
QByteArray translated(const char* source)
{
    return QCoreApplication::translate("velto-cli", source).toLocal8Bit();
}

QCommandLineOption verboseOption()
{
    return QCommandLineOption(
        {"v", "verbose"},
        QCoreApplication::translate(
            "velto-cli", "Also print the diagnostic log lines (always in the journal)."));
}

// The help text with the usage line a reader types, whatever path the program was started from
// (Qt's names the program by its path).
QString commandHelp(const QCommandLineParser& parser, const QString& command)
{
    QString help = parser.helpText();
    const qsizetype lineEnd = help.indexOf(QLatin1Char('\n'));
    const QString firstLine = help.left(lineEnd);
    const QString programPath = QCoreApplication::arguments().constFirst();
    QString usage = firstLine;
    usage.replace(firstLine.indexOf(programPath), programPath.size(),
                  QStringLiteral("velto-cli ") + command);
    return usage + help.mid(lineEnd);
}

// Parses a command's arguments; prints help or the error itself. Returns -1 to go on.
int parseCommand(QCommandLineParser& parser, const QString& command, const QStringList& arguments,
                 const QString& description)
{
    parser.setApplicationDescription(description);
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help({"h", "help"},
                                  QCoreApplication::translate("velto-cli", "Show this help."));
    parser.addOption(help);
    parser.addOption(verboseOption());
    if (!parser.parse(arguments)) {
        std::fprintf(stderr, "velto-cli: %s\n", qPrintable(parser.errorText()));
        return CliApp::usage;
    }
    if (parser.isSet(help)) {
        std::fputs(qPrintable(commandHelp(parser, command)), stdout);
        std::fputs("\n", stdout);
        std::fputs(translated(exitStatusHelp).constData(), stdout);
        return CliApp::ok;
    }
    return -1;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("velto-cli"));
    SystemTranslations::install(app);
    QCoreApplication::setApplicationVersion(
        AppBuildConfig::buildTimeTable().value(AppBuildConfig::versionKey).toString());

    QStringList arguments = QCoreApplication::arguments();
    // "velto-cli -v status" as well as "velto-cli status -v".
    if (arguments.size() > 2 && (arguments[1] == u"-v" || arguments[1] == u"--verbose"))
        arguments.move(1, 2);
    if (arguments.size() < 2 || arguments[1] == u"-h" || arguments[1] == u"--help" ||
        arguments[1] == u"help") {
        std::fputs(translated(overview).constData(), arguments.size() < 2 ? stderr : stdout);
        std::fputs(translated(exitStatusHelp).constData(), arguments.size() < 2 ? stderr : stdout);
        return arguments.size() < 2 ? CliApp::usage : CliApp::ok;
    }
    if (arguments[1] == u"--version") {
        std::printf("velto-cli %s\n", qPrintable(QCoreApplication::applicationVersion()));
        return CliApp::ok;
    }
    const QString command = arguments.takeAt(1);
    arguments[0] = QStringLiteral("velto-cli ") + command;

    QCommandLineParser parser;
    CliApp::RewriteOptions rewriteOptions;
    bool openBrowser = true;
    int parsed = -1;
    if (command == u"rewrite") {
        const QCommandLineOption tone(
            "tone",
            QCoreApplication::translate("velto-cli", "Tone id to use instead of the saved one."),
            "ID");
        const QCommandLineOption language(
            "language",
            QCoreApplication::translate("velto-cli",
                                        "Language id to use instead of the saved one."),
            "ID");
        const QCommandLineOption stream(
            "stream", QCoreApplication::translate("velto-cli",
                                                  "Print the text piece by piece as it arrives."));
        parser.addOptions({tone, language, stream});
        parser.addPositionalArgument(
            "FILE",
            QCoreApplication::translate("velto-cli",
                                        "Text to rewrite; standard input when absent or \"-\"."),
            "[FILE]");
        parsed = parseCommand(
            parser, command, arguments,
            QCoreApplication::translate("velto-cli", "Rewrites the text and prints the result."));
        if (parsed < 0) {
            if (parser.positionalArguments().size() > 1) {
                std::fputs(
                    translated(QT_TRANSLATE_NOOP("velto-cli",
                                                 "velto-cli: rewrite takes at most one FILE\n"))
                        .constData(),
                    stderr);
                return CliApp::usage;
            }
            rewriteOptions.file = parser.positionalArguments().value(0);
            rewriteOptions.stream = parser.isSet(stream);
            if (parser.isSet(tone))
                rewriteOptions.tone = parser.value(tone);
            if (parser.isSet(language))
                rewriteOptions.language = parser.value(language);
        }
    } else if (command == u"signin") {
        const QCommandLineOption noBrowser(
            "no-browser",
            QCoreApplication::translate("velto-cli", "Only print the sign-in page's address."));
        parser.addOption(noBrowser);
        parsed =
            parseCommand(parser, command, arguments,
                         QCoreApplication::translate("velto-cli", "Signs in through the browser."));
        openBrowser = !parser.isSet(noBrowser);
    } else if (command == u"signout") {
        parsed =
            parseCommand(parser, command, arguments,
                         QCoreApplication::translate(
                             "velto-cli", "Signs out and removes the session from the keyring."));
    } else if (command == u"status") {
        parsed = parseCommand(
            parser, command, arguments,
            QCoreApplication::translate(
                "velto-cli", "Shows the sign-in, the backend, tone, language and catalogue."));
    } else {
        std::fputs(qPrintable(QCoreApplication::translate("velto-cli",
                                                          "velto-cli: unknown command \"%1\"\n\n")
                                  .arg(command)),
                   stderr);
        std::fputs(translated(overview).constData(), stderr);
        return CliApp::usage;
    }
    if (parsed >= 0)
        return parsed;
    // The terminal is for what the user asked for; the log goes to the journal unless -v.
    if (parser.isSet(verboseOption()))
        ClientLogger::setSink(std::make_shared<StderrLogSink>(QByteArrayLiteral("velto-cli")));
    else
        ClientLogger::setSink(std::make_shared<JournalLogSink>(
            JournalLogSink::defaultSocket, QByteArrayLiteral("velto-cli"),
            JournalLogSink::WithoutJournal::drop));

    if ((command == u"signout" || command == u"status") &&
        !parser.positionalArguments().isEmpty()) {
        std::fputs(qPrintable(QCoreApplication::translate("velto-cli",
                                                          "velto-cli: %1 takes no arguments\n")
                                  .arg(command)),
                   stderr);
        return CliApp::usage;
    }

    AppBuildConfig config;
    try {
        config = AppBuildConfig::load();
    } catch (const AppError& error) {
        std::fputs(qPrintable(QCoreApplication::translate("velto-cli", "Configuration error: %1\n")
                                  .arg(error.description())),
                   stderr);
        return CliApp::failed;
    }

    // Read only: --tone and --language apply to this run, and no command changes a file.
    UserPreferencesStore store(std::make_shared<JsonPreferenceFile>(
        JsonPreferenceFile::defaultPath(), JsonPreferenceFile::Access::readOnly));
    AppModel model(store, config);
    RewriteAPI api(std::make_shared<HttpClient>());
    SystemClock clock;
    TimerSleeper sleeper;
    QTextStream out(stdout);
    QTextStream err(stderr);
    CliApp cli(model, AuthService::shared(), api, clock, sleeper, out, err);

    // Ctrl+C during a sign-in abandons the handoff on the backend before the program ends.
    auto interrupt = std::make_shared<CancellationToken>();
    std::unique_ptr<UnixSignalWatcher> signalWatcher;
    if (command == u"signin") {
        signalWatcher =
            std::make_unique<UnixSignalWatcher>(std::initializer_list<int>{SIGINT, SIGTERM});
        QObject::connect(signalWatcher.get(), &UnixSignalWatcher::received, interrupt.get(),
                         &CancellationToken::cancel);
    }

    int exitCode = CliApp::failed;
    auto run = [&]() -> QCoro::Task<> {
        if (command == u"rewrite")
            exitCode = co_await cli.rewrite(rewriteOptions);
        else if (command == u"signin")
            exitCode = co_await cli.signIn(openBrowser, interrupt);
        else if (command == u"signout")
            exitCode = co_await cli.signOut();
        else
            exitCode = co_await cli.status();
        out.flush();
        err.flush();
        QCoreApplication::exit(exitCode);
    };
    // Started from inside the event loop, so an answer that comes at once still ends it.
    QTimer::singleShot(0, &app, [&] { run(); });
    app.exec();
    return exitCode;
}
