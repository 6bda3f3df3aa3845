#pragma once

#include <QString>
#include <QStringList>

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
};

// Modal alerts, shown in front of other applications.
class Alerts
{
public:
    virtual ~Alerts() = default;
    // Blocks in a modal loop; returns the index of the chosen button (0 for the first).
    virtual int runModal(const Alert& alert) = 0;
};

} // namespace velto
