#pragma once

#include <QDBusArgument>
#include <QList>
#include <QMetaType>
#include <QString>
#include <QVariantMap>

namespace velto {

// One entry of the GlobalShortcuts portal's a(sa{sv}): the shortcut's id and its properties
// (description, preferred_trigger; trigger_description in answers).
struct PortalShortcut
{
    QString id;
    QVariantMap properties;

    // Registers the D-Bus marshalling once per process.
    static void registerType();
};

QDBusArgument& operator<<(QDBusArgument& argument, const PortalShortcut& shortcut);
const QDBusArgument& operator>>(const QDBusArgument& argument, PortalShortcut& shortcut);

} // namespace velto

Q_DECLARE_METATYPE(velto::PortalShortcut)
