#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

namespace velto {

// Where a panel of the given size opens: centred under the tray icon, or beside the pointer
// when the tray gives no geometry; always inside the screen's available area. A tray at the
// bottom of the screen opens it above the icon instead.
QPoint popupPosition(QSize panel, QRect trayIcon, QPoint pointer, QRect available);

} // namespace velto
