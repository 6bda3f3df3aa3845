#include "e2e/app/VeltoAppProcess.h"

#include "e2e/app/SelectionPeer.h"
#include "e2e/support/ServerProcess.h"
#include "e2e/support/SignInBrowser.h"
#include "x11/support/EditorWindow.h"
#include "x11/support/XTestKeyboard.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QTest>
#include <cstdio>

using namespace Qt::Literals::StringLiterals;

namespace velto::test {

VeltoAppProcess::VeltoAppProcess(QString program, QString recordingBin)
    : m_program(std::move(program)), m_recordingBin(std::move(recordingBin))
{
}

VeltoAppProcess::~VeltoAppProcess()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.terminate();
        if (!m_process.waitForFinished(5000)) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }
}

void VeltoAppProcess::seedPreferences()
{
    const QString folder =
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + "/velto";
    QDir().mkpath(folder);
    QFile file(folder + "/preferences.json");
    if (file.exists())
        return;
    // The first-run guide is a modal alert of its own; it would sit in front of every step.
    // A user who chose Super+L, the combination pressed and grabbed here.
    QJsonObject preferences = m_preferences;
    preferences.insert(u"settings_schema_version"_s, 6);
    preferences.insert(u"didShowFirstRunGuide"_s, true);
    preferences.insert(u"shortcutKey"_s, u"l"_s);
    preferences.insert(u"shortcutRequiresShift"_s, false);
    preferences.insert(u"shortcutChosen"_s, true);
    if (file.open(QIODevice::WriteOnly))
        file.write(QJsonDocument(preferences).toJson());
}

void VeltoAppProcess::setPreference(const QString& key, const QJsonValue& value)
{
    m_preferences.insert(key, value);
}

QString VeltoAppProcess::start()
{
    SelectionPeer shortcut;
    if (shortcut.shortcutGrabbed())
        return u"Super+L is already grabbed by another client on this display"_s;
    if (const QString failed = launch(); !failed.isEmpty())
        return failed;
    // The shortcut is grabbed at the end of the launch sequence: from then on a press is ours.
    const bool ready = QTest::qWaitFor(
        [&] { return shortcut.shortcutGrabbed() || m_process.state() == QProcess::NotRunning; },
        15000);
    if (!ready || m_process.state() == QProcess::NotRunning)
        return report(u"velto did not take the shortcut"_s);
    return {};
}

QString VeltoAppProcess::launch()
{
    if (!m_dir.isValid())
        return u"no temporary directory"_s;
    seedPreferences();

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"PATH"_s, m_recordingBin + ':' + environment.value(u"PATH"_s));
    environment.insert(u"VELTO_TEST_OPENED_URLS"_s, m_dir.filePath("opened"));
    // In a sanitizer build, LeakSanitizer's check at exit stops every thread of the process to
    // scan it, and in the app (with the threads of GLib, GDBus, QtDBus and the xcb queue) it
    // now and then dies doing so ("Tracer caught signal 11", a known fault of the checker).
    // Memory errors are still caught here; leaks of the app's own code are checked by the
    // controller and platform tests.
    if (environment.contains(u"ASAN_OPTIONS"_s))
        environment.insert(u"ASAN_OPTIONS"_s,
                           environment.value(u"ASAN_OPTIONS"_s) + u":detect_leaks=0"_s);
    m_process.setProcessEnvironment(environment);
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    m_process.start(m_program, {});
    if (!m_process.waitForStarted(5000))
        return u"velto did not start: "_s + m_process.errorString();
    return {};
}

QString VeltoAppProcess::command(const QString& option)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(m_program, {option});
    if (!process.waitForFinished(10000)) {
        process.kill();
        process.waitForFinished(5000);
        return u"velto %1 did not finish"_s.arg(option);
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return u"velto %1 exited with %2: %3"_s.arg(option)
            .arg(process.exitCode())
            .arg(QString::fromUtf8(process.readAll()));
    return {};
}

QString VeltoAppProcess::quit()
{
    if (const QString failed = command(u"--quit"_s); !failed.isEmpty())
        return failed;
    if (!m_process.waitForFinished(10000))
        return u"velto still runs 10 s after --quit"_s;
    if (m_process.exitStatus() != QProcess::NormalExit)
        return report(u"velto crashed on quit"_s);
    if (m_process.exitCode() != 0)
        return report(u"velto exited with %1"_s.arg(m_process.exitCode()));
    return {};
}

QString VeltoAppProcess::report(const QString& failure)
{
    // QTest cuts long messages; a crash report sits at the end of the output.
    const QByteArray output = log();
    std::fprintf(stderr, "---- velto's output ----\n%s\n---- end of velto's output ----\n",
                 output.constData());
    // An app that still runs but did not do its part is waiting somewhere: show where.
    const QString gdb = QStandardPaths::findExecutable(u"gdb"_s);
    if (m_process.state() == QProcess::Running && !gdb.isEmpty()) {
        QProcess stacks;
        stacks.setProcessChannelMode(QProcess::MergedChannels);
        stacks.start(gdb, {u"-p"_s, QString::number(m_process.processId()), u"-batch"_s, u"-ex"_s,
                           u"thread apply all bt 40"_s});
        if (!stacks.waitForFinished(60000))
            stacks.kill();
        std::fprintf(stderr, "---- velto's threads ----\n%s\n---- end of velto's threads ----\n",
                     stacks.readAll().constData());
    }
    return failure + u" (velto's output is printed above)"_s;
}

QStringList VeltoAppProcess::openedUrls() const
{
    QFile file(m_dir.filePath("opened"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
}

QByteArray VeltoAppProcess::log()
{
    if (m_process.state() == QProcess::Running)
        m_process.waitForReadyRead(0);
    m_log += m_process.readAll();
    return m_log;
}

QString VeltoAppProcess::acceptAlert(XTestKeyboard& keyboard)
{
    const QString process = QString::number(pid());
    QByteArray alert;
    const bool shown = QTest::qWaitFor(
        [&] {
            alert =
                xdotool({u"search"_s, u"--onlyvisible"_s, u"--pid"_s, process}).split('\n').first();
            return !alert.isEmpty();
        },
        10000);
    if (!shown)
        return u"no alert appeared after the shortcut"_s;
    const QByteArray title = xdotool({u"getwindowname"_s, QString::fromLatin1(alert)});
    if (title != "Velto")
        return u"the alert's window is titled \"%1\""_s.arg(QString::fromUtf8(title));
    // It asks for the focus itself; make sure the key goes to it whatever the window manager
    // decided.
    if (!activateWindow(alert.toUInt()))
        return u"the alert did not get the focus"_s;
    // Return presses the default button, "Log in".
    keyboard.chord({}, XTestKeyboard::returnKey);
    const bool closed = QTest::qWaitFor(
        [&] {
            return xdotool({u"search"_s, u"--onlyvisible"_s, u"--pid"_s, process}).isEmpty();
        },
        5000);
    return closed ? QString() : u"the alert did not close on Return"_s;
}

QString VeltoAppProcess::signInFromShortcut(ServerProcess& server, XTestKeyboard& keyboard)
{
    const QString exchanged = u"POST /auth/handoff/exchange 200"_s;
    const int exchangedBefore = server.count(exchanged);
    const qsizetype openedBefore = openedUrls().size();
    keyboard.chord({XTestKeyboard::superL}, 'l');
    if (const QString failed = acceptAlert(keyboard); !failed.isEmpty())
        return failed;

    if (!QTest::qWaitFor([&] { return openedUrls().size() > openedBefore; }, 10000))
        return u"\"Log in\" did not open the browser"_s;
    SignInBrowser browser;
    const SignInBrowser::Page answer = browser.press(
        browser.open(QUrl(openedUrls().at(openedBefore), QUrl::StrictMode)), u"Continue"_s);
    if (answer.status != 200)
        return u"the browser step failed: %1 %2"_s.arg(answer.status).arg(answer.error);
    if (!server.waitForRequests(exchanged, exchangedBefore + 1, 15000))
        return u"the app did not pick up the session"_s;
    return {};
}

} // namespace velto::test
