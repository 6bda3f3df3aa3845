#pragma once

#include <QCoro/QCoroTask>
#include <QString>
#include <QStringList>
#include <functional>

namespace velto {

enum class AlertStyle
{
    informational,
    warning,
    critical
};

struct Alert
{
    AlertStyle style = AlertStyle::informational;
    QString messageText;
    QString informativeText;
    // In order, the first being the default; empty means the single default "OK" button.
    QStringList buttons;
    // Called with the chosen button while the alert is still shown and has the focus, for what
    // only a focused window may do (a Wayland compositor gives the clipboard to the focused
    // client only). Not called when the alert is closed without a choice.
    std::function<void(int)> chosen = {};
};

// Alerts shown in front of other applications. Showing one never blocks: the caller awaits
// the answer while the event loop goes on, so a shortcut press or Quit is handled as usual
// rather than inside a nested loop in the middle of a suspended rewrite.
class Alerts
{
public:
    virtual ~Alerts() = default;
    // Resumes with the index of the chosen button (0 for the first).
    virtual QCoro::Task<int> show(Alert alert) = 0;
    // Closes every open alert as if dismissed: each waiting caller gets the last button, the
    // way out. For quitting, so that nothing waits on an answer that cannot come.
    virtual void closeAll() = 0;
};

} // namespace velto
