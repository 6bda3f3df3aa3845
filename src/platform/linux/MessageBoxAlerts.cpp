#include "platform/linux/MessageBoxAlerts.h"

#include <QMessageBox>
#include <QPushButton>

namespace velto {

int MessageBoxAlerts::runModal(const Alert& alert)
{
    QMessageBox box;
    box.setWindowTitle(QStringLiteral("Velto"));
    box.setText(alert.messageText);
    box.setInformativeText(alert.informativeText);
    switch (alert.style) {
    case AlertStyle::informational:
        box.setIcon(QMessageBox::Information);
        break;
    case AlertStyle::warning:
        box.setIcon(QMessageBox::Warning);
        break;
    case AlertStyle::critical:
        box.setIcon(QMessageBox::Critical);
        break;
    }
    const QStringList titles =
        alert.buttons.isEmpty() ? QStringList{QStringLiteral("OK")} : alert.buttons;
    QList<QPushButton*> buttons;
    for (qsizetype i = 0; i < titles.size(); ++i) {
        // The first button is the default; the others keep their order.
        buttons << box.addButton(titles[i],
                                 i == 0 ? QMessageBox::AcceptRole : QMessageBox::RejectRole);
    }
    box.setDefaultButton(buttons.first());
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    box.show();
    box.raise();
    box.activateWindow();
    box.exec();
    const qsizetype chosen = buttons.indexOf(qobject_cast<QPushButton*>(box.clickedButton()));
    // Closing the box (Escape, the window manager) counts as the last button, the way out.
    return chosen >= 0 ? int(chosen) : int(buttons.size() - 1);
}

} // namespace velto
