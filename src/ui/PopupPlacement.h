#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <optional>

namespace velto {

// Where a panel of the given size opens: centred under the tray icon, or beside the pointer
// when the tray gives no geometry; always inside the screen's available area. A tray at the
// bottom of the screen opens it above the icon instead.
QPoint popupPosition(QSize panel, QRect trayIcon, QPoint pointer, QRect available);

// Where a window about the selection opens: under it, aligned with its start, or above it when
// the room below is too small (the larger side when neither fits); under the pointer when the
// selection's place is unknown; always inside the screen's available area.
QPoint besideSelectionPosition(QSize window, std::optional<QRect> selection, QPoint pointer,
                               QRect available);

} // namespace velto
