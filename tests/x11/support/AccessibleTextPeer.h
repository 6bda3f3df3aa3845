#pragma once

#include <QDBusConnection>
#include <QDBusVirtualObject>
#include <QHash>
#include <QRect>
#include <QString>
#include <optional>

namespace velto::test {

// An application on the accessibility bus with one focused text object whose selection is
// `text`, and which answers the questions about its place as a test sets them: a rectangle, or
// an error where none is set. Lets a test make an application fail the calls no toolkit fails on
// demand.
class AccessibleTextPeer : public QDBusVirtualObject
{
    Q_OBJECT

public:
    AccessibleTextPeer();
    ~AccessibleTextPeer() override;

    // Connects to the session's accessibility bus and registers with its registry; false when
    // either fails.
    bool start();

    QString text = QStringLiteral("peer's selected text");
    // GetRangeExtents of the selection; an error when none.
    std::optional<QRect> rangeExtents;
    // GetCharacterExtents by offset; an error for an offset not listed.
    QHash<int, QRect> characterExtents;
    int rangeCalls = 0;

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;
    QString introspect(const QString& path) const override;

private:
    std::optional<QDBusConnection> m_connection;
};

} // namespace velto::test
