#pragma once

#include <QString>
#include <QVariant>
#include <optional>

namespace velto {

// A persistent per-user key-value table. Values are bool, qint64, double, QString, or a nested
// QVariantList / QVariantMap / null the app never writes but keeps as it found them.
class PreferenceStore
{
public:
    virtual ~PreferenceStore() = default;

    // The stored object, or nothing when the key is absent.
    virtual std::optional<QVariant> object(const QString& key) const = 0;
    virtual void setObject(const QString& key, const QVariant& value) = 0;
    virtual void removeObject(const QString& key) = 0;

    // Typed reads with the usual coercions: a number reads as a bool (non-zero) and as text,
    // "true"/"yes"/"1" read as true, a numeric string reads as an integer.
    bool boolean(const QString& key) const;
    qint64 integer(const QString& key) const;
    std::optional<QString> string(const QString& key) const;
};

} // namespace velto
