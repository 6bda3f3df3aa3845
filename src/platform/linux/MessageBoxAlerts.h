#pragma once

#include "platform/Alerts.h"

namespace velto {

// Alerts as QMessageBox, raised above other windows.
class MessageBoxAlerts : public Alerts
{
public:
    int runModal(const Alert& alert) override;
};

} // namespace velto
