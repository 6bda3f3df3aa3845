#pragma once

#include <QDBusMessage>
#include <QDeadlineTimer>
#include <QList>
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
    // characters, asked together.
    QCoro::Task<std::optional<QRect>> of(QString busName, QString path, int start, int end,
                                         QDeadlineTimer deadline);

    // The rectangle of an extents answer ("iiii"), when it has a size; none for anything else.
    static std::optional<QRect> rectangleIn(const QDBusMessage& reply);
    // The same for one character, whose extents may have no width (a line end).
    static std::optional<QRect> characterIn(const QDBusMessage& reply);
    // The bounds, when they overlap at least one of the screens.
    static std::optional<QRect> onScreens(std::optional<QRect> bounds, const QList<QRect>& screens);
    // The geometries of the screens this process knows; none without a GUI application.
    static QList<QRect> screenGeometries();

private:
    AtspiBus& m_bus;
};

} // namespace velto
