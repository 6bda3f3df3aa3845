#pragma once

#include <QQuickItem>
#include <QString>

namespace velto::test {

// The item of this objectName at or below `at`, through the visual tree: items a Repeater or
// Loader makes are not QObject children. Null when there is none.
inline QQuickItem* findItem(QQuickItem* at, const QString& name)
{
    if (!at || at->objectName() == name)
        return at;
    for (QQuickItem* child : at->childItems())
        if (QQuickItem* found = findItem(child, name))
            return found;
    return nullptr;
}

} // namespace velto::test
