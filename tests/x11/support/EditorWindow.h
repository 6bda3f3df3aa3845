#pragma once

#include "x11/support/EditorProcess.h"

#include <QStringList>
#include <cstdint>

namespace velto::test {

class TestKeyboard;

// A target application on the X server: l3afpad (GTK3, exposes AT-SPI) or the Qt test editor
// (does not, unless the desktop turns accessibility on), with nothing selected.
class EditorWindow : public EditorProcess
{
public:
    enum class Toolkit
    {
        gtk,
        qt
    };

    explicit EditorWindow(const QString& text, Toolkit toolkit = Toolkit::gtk);

    // Starts the editor and waits until its window is mapped and active; false on time-out.
    bool start();
    std::uint32_t window() const { return m_window; }
    QByteArray fileContents() const { return text().toUtf8(); }
    // Makes it the active window again (after another one took the focus).
    bool activate();
    // Ctrl+S, then waits until the file holds `expected` (it may be seen half written first).
    bool saveAndWaitFor(TestKeyboard& keyboard, const QString& expected);

private:
    Toolkit m_toolkit;
    std::uint32_t m_window = 0;
};

// Runs the program, returning its trimmed output (nothing when it does not finish).
QByteArray run(const QString& program, const QStringList& arguments);
QByteArray xdotool(const QStringList& arguments);
// Asks the window manager to activate the window until it is the active one; false after 10 s.
bool activateWindow(std::uint32_t window);

} // namespace velto::test
