#pragma once

#include <QDeadlineTimer>
#include <QRect>
#include <QString>
#include <optional>
#include <qcoro/qcorotask.h>

namespace velto {

class AtspiBus;

// Where a range of an object's text lies on screen, as its application says through the Text
// interface. Anything doubtful gives none rather than a wrong place: an error, an answer of
// another shape, a rectangle without a size, or one that lies on no screen.
class AtspiTextBounds
{
public:
    explicit AtspiTextBounds(AtspiBus& bus);

    // The range's bounding box in global coordinates, checked against the screens at the time.
    // One call where the application implements the range's extents; else the first and last
    // characters, asked together. A selection that runs past the screen's edge keeps its whole
    // extent.
    QCoro::Task<std::optional<QRect>> of(QString busName, QString path, int start, int end,
                                         QDeadlineTimer deadline);

private:
    AtspiBus& m_bus;
};

} // namespace velto
