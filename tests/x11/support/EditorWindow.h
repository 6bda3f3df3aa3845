#pragma once

#include <QByteArray>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdint>

namespace velto::test {

class XTestKeyboard;

// A real target application editing a file of known text: l3afpad (GTK3, exposes AT-SPI) or a
// plain Qt Widgets editor (does not, unless the desktop turns accessibility on).
class EditorWindow
{
public:
    enum class Toolkit
    {
        gtk,
        qt
    };

    explicit EditorWindow(const QByteArray& text, Toolkit toolkit = Toolkit::gtk);
    ~EditorWindow();

    // Starts the editor and waits until its window is mapped and active; false on time-out.
    bool start();
    std::uint32_t window() const { return m_window; }
    qint64 pid() const { return m_process.processId(); }
    QByteArray fileContents() const;
    // Makes it the active window again (after another one took the focus).
    bool activate();
    // Ctrl+S, then waits until the file holds `expected` (it may be seen half written first).
    bool saveAndWaitFor(XTestKeyboard& keyboard, const QByteArray& expected);

private:
    Toolkit m_toolkit;
    QTemporaryDir m_dir;
    QString m_path;
    QProcess m_process;
    std::uint32_t m_window = 0;
};

// Runs xdotool with the arguments, returning its trimmed output.
QByteArray xdotool(const QStringList& arguments);
// Asks the window manager to activate the window until it is the active one; false after 10 s.
bool activateWindow(std::uint32_t window);

} // namespace velto::test
