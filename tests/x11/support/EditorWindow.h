#pragma once

#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <cstdint>

namespace velto::test {

class TestKeyboard;

// A target application editing a file of known text, in a process of its own (a paste into a
// window of the test process would wait on the test's own clipboard while the test waits on it):
// l3afpad (GTK3, exposes AT-SPI) or the Qt test editor (does not, unless the desktop turns
// accessibility on, as qtAccessible does).
class EditorWindow
{
public:
    enum class Toolkit
    {
        gtk,
        qt,
        qtAccessible
    };

    explicit EditorWindow(const QString& text, Toolkit toolkit = Toolkit::gtk);
    ~EditorWindow();

    // The Qt test editor only: busy for this long before it handles the copy and paste keys.
    int busyKeysMs = 0;

    // On the X server, with nothing selected: waits until its window is mapped and active;
    // false on time-out.
    bool start();
    // On any display, the Qt test editor (accessible or not), with all its text selected: waits
    // until its window has the keyboard focus; false on time-out.
    bool startSelectingAll();
    // The same with the characters from `from` to `to` selected.
    bool startSelecting(int from, int to);
    // On any display, with nothing selected, without waiting for its window: a compositor
    // tells nothing of other clients' windows.
    bool startUnwatched();
    qint64 pid() const { return m_process.processId(); }
    std::uint32_t window() const { return m_window; }
    // What the file holds now.
    QString text() const;
    QByteArray fileContents() const { return text().toUtf8(); }
    // Waits until the file holds exactly this text; false after the time-out.
    bool waitForText(const QString& text) const;
    // What the editor printed.
    QString output() const { return QString::fromLocal8Bit(m_process.readAll()); }
    // Makes it the active window again (after another one took the focus).
    bool activate();
    // The desktop's active window is the editor's, within a few seconds.
    bool waitUntilActive() const;
    // Ctrl+S, then waits until the file holds `expected` (it may be seen half written first).
    bool saveAndWaitFor(TestKeyboard& keyboard, const QString& expected);

private:
    bool startTestEditor(const QStringList& selection);

    QTemporaryDir m_dir;
    QString m_path;
    Toolkit m_toolkit;
    mutable QProcess m_process;
    std::uint32_t m_window = 0;
};

// Runs xdotool, returning its trimmed output (nothing when it does not finish).
QByteArray xdotool(const QStringList& arguments);
// Asks the window manager to activate the window until it is the active one; false after 10 s.
bool activateWindow(std::uint32_t window);

} // namespace velto::test
