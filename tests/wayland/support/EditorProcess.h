#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

namespace velto::test {

// The test editor as a separate Wayland client (a paste into a window of the test process
// itself would wait on our own clipboard while the test waits on it).
class EditorProcess
{
public:
    explicit EditorProcess(QString text);
    ~EditorProcess();

    // Starts it and waits until its window has the keyboard focus.
    bool start();
    // What the editor holds now.
    QString text() const;
    // Waits until the editor holds exactly this text; false after the time-out.
    bool waitForText(const QString& text, int timeoutMs = 5000) const;
    QString output() const;

private:
    QString m_initialText;
    QTemporaryDir m_dir;
    QString m_path;
    mutable QProcess m_process;
};

} // namespace velto::test
