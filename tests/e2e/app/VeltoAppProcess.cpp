#include "e2e/app/VeltoAppProcess.h"

#include "e2e/app/ShortcutProbe.h"

#include <QDir>
#include <QFile>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QTest>
#include <cstdio>

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
    if (file.open(QIODevice::WriteOnly))
        file.write("{\"settings_schema_version\": 5, \"didShowFirstRunGuide\": true}\n");
}

QString VeltoAppProcess::start()
{
    if (!m_dir.isValid())
        return QStringLiteral("no temporary directory");
    ShortcutProbe shortcut;
    if (shortcut.isGrabbed())
        return QStringLiteral("Super+L is already grabbed by another client on this display");
    seedPreferences();

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("PATH"),
                       m_recordingBin + ':' + environment.value(QStringLiteral("PATH")));
    environment.insert(QStringLiteral("VELTO_TEST_OPENED_URLS"), m_dir.filePath("opened"));
    // In a sanitizer build, LeakSanitizer's check at exit stops every thread of the process to
    // scan it, and in the app (with the threads of GLib, GDBus, QtDBus and the xcb queue) it
    // now and then dies doing so ("Tracer caught signal 11", a known fault of the checker).
    // Memory errors are still caught here; leaks of the app's own code are checked by the
    // controller and platform tests.
    if (environment.contains(QStringLiteral("ASAN_OPTIONS")))
        environment.insert(QStringLiteral("ASAN_OPTIONS"),
                           environment.value(QStringLiteral("ASAN_OPTIONS")) +
                               QStringLiteral(":detect_leaks=0"));
    m_process.setProcessEnvironment(environment);
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    m_process.start(m_program, {});
    if (!m_process.waitForStarted(5000))
        return QStringLiteral("velto did not start: ") + m_process.errorString();
    // The shortcut is grabbed at the end of the launch sequence: from then on a press is ours.
    const bool ready = QTest::qWaitFor(
        [&] { return shortcut.isGrabbed() || m_process.state() == QProcess::NotRunning; }, 15000);
    if (!ready || m_process.state() == QProcess::NotRunning)
        return report(QStringLiteral("velto did not take the shortcut"));
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
        return QStringLiteral("velto %1 did not finish").arg(option);
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return QStringLiteral("velto %1 exited with %2: %3")
            .arg(option)
            .arg(process.exitCode())
            .arg(QString::fromUtf8(process.readAll()));
    return {};
}

QString VeltoAppProcess::quit()
{
    if (const QString failed = command(QStringLiteral("--quit")); !failed.isEmpty())
        return failed;
    if (!m_process.waitForFinished(10000))
        return QStringLiteral("velto still runs 10 s after --quit");
    if (m_process.exitStatus() != QProcess::NormalExit)
        return report(QStringLiteral("velto crashed on quit"));
    if (m_process.exitCode() != 0)
        return report(QStringLiteral("velto exited with %1").arg(m_process.exitCode()));
    return {};
}

QString VeltoAppProcess::report(const QString& failure)
{
    // QTest cuts long messages; a crash report sits at the end of the output.
    const QByteArray output = log();
    std::fprintf(stderr, "---- velto's output ----\n%s\n---- end of velto's output ----\n",
                 output.constData());
    // An app that still runs but did not do its part is waiting somewhere: show where.
    const QString gdb = QStandardPaths::findExecutable(QStringLiteral("gdb"));
    if (m_process.state() == QProcess::Running && !gdb.isEmpty()) {
        QProcess stacks;
        stacks.setProcessChannelMode(QProcess::MergedChannels);
        stacks.start(gdb, {QStringLiteral("-p"), QString::number(m_process.processId()),
                           QStringLiteral("-batch"), QStringLiteral("-ex"),
                           QStringLiteral("thread apply all bt 40")});
        if (!stacks.waitForFinished(60000))
            stacks.kill();
        std::fprintf(stderr, "---- velto's threads ----\n%s\n---- end of velto's threads ----\n",
                     stacks.readAll().constData());
    }
    return failure + QStringLiteral(" (velto's output is printed above)");
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

} // namespace velto::test
