#pragma once

#include "platform/Alerts.h"

#include <QList>
#include <QPointer>

class QMessageBox;

namespace velto {

// Alerts as QMessageBox, raised above other windows, modal to the app's own windows, and
// awaited without a modal loop of their own.
class MessageBoxAlerts : public Alerts
{
public:
    QCoro::Task<int> show(Alert alert) override;
    void closeAll() override;

private:
    QList<QPointer<QMessageBox>> m_open;
};

} // namespace velto
