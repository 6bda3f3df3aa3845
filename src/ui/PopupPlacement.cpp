#include "ui/PopupPlacement.h"

#include <algorithm>

namespace velto {

QPoint popupPosition(QSize panel, QRect trayIcon, QPoint pointer, QRect available)
{
    constexpr int gap = 4;
    const QRect anchor = trayIcon.isValid() ? trayIcon : QRect(pointer, QSize(1, 1));
    int x = anchor.center().x() - panel.width() / 2;
    int y = anchor.bottom() + 1 + gap;
    if (y + panel.height() > available.bottom() + 1)
        y = anchor.top() - gap - panel.height();
    x = std::clamp(x, available.left(),
                   std::max(available.left(), available.right() + 1 - panel.width()));
    y = std::clamp(y, available.top(),
                   std::max(available.top(), available.bottom() + 1 - panel.height()));
    return {x, y};
}

} // namespace velto
