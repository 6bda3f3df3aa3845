#pragma once

#include <QDBusConnection>
#include <optional>

namespace velto {

// Whether the session has an accessibility bus (AT-SPI): its launcher either runs or can be
// started by the session bus. Asked once, with a short time-out, then remembered.
class AccessibilityBusProbe
{
public:
    explicit AccessibilityBusProbe(QDBusConnection bus = QDBusConnection::sessionBus());

    bool available();

private:
    QDBusConnection m_bus;
    std::optional<bool> m_available;
};

} // namespace velto
