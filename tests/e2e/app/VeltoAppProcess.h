#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace velto::test {

class ServerProcess;
class XTestKeyboard;

// The port of the backend address the app is built for.
constexpr int appServerPort = 8787;

// The real `velto` binary, started the way a user's session starts it, with a recording
// xdg-open first on PATH in place of the browser. Runs in the caller's (isolated) HOME and XDG
// folders.
class VeltoAppProcess
{
public:
    // recordingBin: the folder holding the recording xdg-open.
    VeltoAppProcess(QString program, QString recordingBin);
    ~VeltoAppProcess();
    VeltoAppProcess(const VeltoAppProcess&) = delete;
    VeltoAppProcess& operator=(const VeltoAppProcess&) = delete;

    // A preference the app finds in its file at the first start.
    void setPreference(const QString& key, const QJsonValue& value);
    // Skips the one-time setup alert, starts the app and waits until it holds the global
    // shortcut; the reason when it does not.
    QString start();
    // The same without waiting for the shortcut, for a desktop that gives the app none; the
    // reason when it does not start.
    QString launch();
    qint64 pid() const { return m_process.processId(); }
    bool isRunning() const { return m_process.state() != QProcess::NotRunning; }

    // Runs `velto <option>` as a second process, as a user or a desktop binding would; the
    // reason when it does not exit with 0.
    QString command(const QString& option);
    // `velto --quit`, then waits for this process to end; the reason when it did not end cleanly.
    QString quit();
    // Signs in the way a user does the first time: presses the shortcut, chooses "Log in" on the
    // "Sign in required" alert, lets the browser (the recording xdg-open) receive the sign-in
    // page, presses Continue there, and waits until the app has exchanged the handoff for a
    // session. The reason when a step did not happen.
    QString signInFromShortcut(ServerProcess& server, XTestKeyboard& keyboard);

    // What the app asked the desktop to open, one call per entry (arguments tab-separated).
    QStringList openedUrls() const;
    // Everything the app wrote to standard output and error (its log, with no journal).
    QByteArray log();
    // How many times the log holds `line`.
    int logCount(const QByteArray& line) { return int(log().count(line)); }
    // For a failure: prints the whole output (QTest would cut it) and, while the app still
    // runs, its threads' stacks; returns `failure` for the test's message.
    QString report(const QString& failure);

private:
    void seedPreferences();
    QString acceptAlert(XTestKeyboard& keyboard);

    QString m_program;
    QString m_recordingBin;
    QTemporaryDir m_dir;
    QJsonObject m_preferences;
    QProcess m_process;
    QByteArray m_log;
};

} // namespace velto::test
