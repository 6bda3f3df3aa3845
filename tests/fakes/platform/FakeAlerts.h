#pragma once

#include "platform/Alerts.h"

#include <QList>

namespace velto::fakes {

// Records each alert and answers with the button the test chose (by index or by title).
class FakeAlerts : public Alerts
{
public:
    QList<Alert> shown;
    int chosenButton = 0;
    QString chosenTitle; // wins over chosenButton when set and present

    int runModal(const Alert& alert) override
    {
        shown.append(alert);
        if (!chosenTitle.isEmpty() && alert.buttons.contains(chosenTitle))
            return static_cast<int>(alert.buttons.indexOf(chosenTitle));
        return chosenButton;
    }
};

} // namespace velto::fakes
