#include "platform/linux/AtspiTextBounds.h"

#include "platform/linux/AtspiBus.h"

#include <QDBusMessage>
#include <QGuiApplication>
#include <QList>
#include <QScreen>
#include <algorithm>
#include <cstdlib>

namespace velto {

namespace {

const QString textInterface = QStringLiteral("org.a11y.atspi.Text");
// ATSPI_COORD_TYPE_SCREEN: global coordinates, not the window's.
constexpr uint coordinatesOnScreen = 0;

struct Extents
{
    qint64 x, y, width, height;
};

std::optional<Extents> extentsIn(const QDBusMessage& reply)
{
    if (reply.type() != QDBusMessage::ReplyMessage || reply.signature() != QLatin1String("iiii"))
        return std::nullopt;
    const QVariantList values = reply.arguments();
    const Extents extents{values.at(0).toInt(), values.at(1).toInt(), values.at(2).toInt(),
                          values.at(3).toInt()};
    // Toolkits answer -1 everywhere when they cannot say. No desktop reaches this far, and within
    // it every sum of two coordinates still fits an int.
    constexpr qint64 farthest = 1 << 24;
    if (extents.width < 0 || extents.height <= 0 || extents.width > farthest ||
        extents.height > farthest || std::abs(extents.x) > farthest ||
        std::abs(extents.y) > farthest)
        return std::nullopt;
    return extents;
}

// One character's extents ("iiii"), which may have no width (a line end); none for anything else.
std::optional<QRect> characterIn(const QDBusMessage& reply)
{
    const std::optional<Extents> extents = extentsIn(reply);
    if (!extents)
        return std::nullopt;
    return QRect(int(extents->x), int(extents->y), int(extents->width), int(extents->height));
}

// A range's extents, when they have a size.
std::optional<QRect> rectangleIn(const QDBusMessage& reply)
{
    const std::optional<QRect> extents = characterIn(reply);
    return extents && extents->width() > 0 ? extents : std::nullopt;
}

// The bounds, when they overlap at least one of the screens.
std::optional<QRect> onScreens(std::optional<QRect> bounds, const QList<QRect>& screens)
{
    if (!bounds || bounds->width() <= 0 || bounds->height() <= 0)
        return std::nullopt;
    const bool shown = std::any_of(screens.cbegin(), screens.cend(),
                                   [&](const QRect& screen) { return screen.intersects(*bounds); });
    return shown ? bounds : std::nullopt;
}

// The geometries of the screens this process knows; none without a GUI application.
QList<QRect> screenGeometries()
{
    QList<QRect> geometries;
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return geometries;
    for (const QScreen* screen : QGuiApplication::screens())
        geometries.append(screen->geometry());
    return geometries;
}

} // namespace

AtspiTextBounds::AtspiTextBounds(AtspiBus& bus) : m_bus(bus) {}

QCoro::Task<std::optional<QRect>> AtspiTextBounds::of(QString busName, QString path, int start,
                                                      int end, QDeadlineTimer deadline)
{
    const auto textCall = [&](const char* method) {
        return QDBusMessage::createMethodCall(busName, path, textInterface,
                                              QString::fromLatin1(method));
    };
    QDBusMessage rangeRequest = textCall("GetRangeExtents");
    rangeRequest << start << end << coordinatesOnScreen;
    std::optional<QRect> bounds = rectangleIn(co_await m_bus.call(rangeRequest, deadline));
    if (!bounds) {
        // Both ends at once: the second answer costs no second round trip.
        QDBusMessage firstRequest = textCall("GetCharacterExtents");
        firstRequest << start << coordinatesOnScreen;
        QDBusMessage lastRequest = textCall("GetCharacterExtents");
        lastRequest << end - 1 << coordinatesOnScreen;
        QCoro::Task<QDBusMessage> firstCall = m_bus.call(firstRequest, deadline);
        QCoro::Task<QDBusMessage> lastCall = m_bus.call(lastRequest, deadline);
        const std::optional<QRect> first = characterIn(co_await firstCall);
        const std::optional<QRect> last = characterIn(co_await lastCall);
        if (first && last) {
            const int left = std::min(first->x(), last->x());
            const int top = std::min(first->y(), last->y());
            const qint64 right =
                std::max(qint64(first->x()) + first->width(), qint64(last->x()) + last->width());
            const qint64 bottom =
                std::max(qint64(first->y()) + first->height(), qint64(last->y()) + last->height());
            bounds = QRect(left, top, int(right - left), int(bottom - top));
        }
    }
    co_return onScreens(bounds, screenGeometries());
}

} // namespace velto
