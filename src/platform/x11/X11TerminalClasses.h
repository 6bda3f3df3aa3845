#pragma once

#include <QStringList>

namespace velto {

// Terminal emulators, by WM_CLASS. In a terminal Ctrl+C interrupts the running program, so copy
// and paste are Ctrl+Shift+C and Ctrl+Shift+V there.
class X11TerminalClasses
{
public:
    static const QStringList& known();
    // True when either part of the WM_CLASS (instance or class) names a known terminal.
    static bool isTerminal(const QStringList& wmClass);
};

} // namespace velto
