#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

namespace velto::test {

// A target application editing a file of known text, in a process of its own (a paste into a
// window of the test process would wait on the test's own clipboard while the test waits on it).
class EditorProcess
{
public:
    explicit EditorProcess(const QString& text);
    ~EditorProcess();

    // Starts the Qt test editor with all its text selected and waits until its window has the
    // keyboard focus; false on time-out.
    bool start();
    qint64 pid() const { return m_process.processId(); }
    // What the file holds now.
    QString text() const;
    // Waits until the file holds exactly this text; false after the time-out.
    bool waitForText(const QString& text, int timeoutMs = 5000) const;
    // What the editor printed.
    QString output() const;

protected:
    bool launch(const QString& program, const QStringList& arguments);

    QTemporaryDir m_dir;
    QString m_path;
    mutable QProcess m_process;
};

} // namespace velto::test
