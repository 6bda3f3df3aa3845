#include "ui/PopupPlacement.h"

#include <algorithm>

namespace velto {

namespace {

constexpr int gap = 4;

// Moves the top left corner so a window of that size lies inside the area; a window larger
// than the area keeps its top left corner in it.
QPoint clamped(QPoint topLeft, QSize window, QRect available)
{
    return {std::clamp(topLeft.x(), available.left(),
                       std::max(available.left(), available.right() + 1 - window.width())),
            std::clamp(topLeft.y(), available.top(),
                       std::max(available.top(), available.bottom() + 1 - window.height()))};
}

} // namespace

QPoint popupPosition(QSize panel, QRect trayIcon, QPoint pointer, QRect available)
{
    const QRect anchor = trayIcon.isValid() ? trayIcon : QRect(pointer, QSize(1, 1));
    int x = anchor.center().x() - panel.width() / 2;
    int y = anchor.bottom() + 1 + gap;
    if (y + panel.height() > available.bottom() + 1)
        y = anchor.top() - gap - panel.height();
    return clamped({x, y}, panel, available);
}

QPoint besideSelectionPosition(QSize window, std::optional<QRect> selection, QPoint pointer,
                               QRect available)
{
    // The pointer's own size is unknown: a generous cursor height keeps the window off it.
    constexpr int pointerHeight = 20;
    const QRect anchor =
        selection && selection->isValid() ? *selection : QRect(pointer, QSize(1, pointerHeight));
    const int roomBelow = available.bottom() - anchor.bottom() - gap;
    const int roomAbove = anchor.top() - available.top() - gap;
    const bool below = roomBelow >= window.height() || roomBelow >= roomAbove;
    const int y = below ? anchor.bottom() + 1 + gap : anchor.top() - gap - window.height();
    return clamped({anchor.left(), y}, window, available);
}

} // namespace velto
