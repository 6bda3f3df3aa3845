#include "model/PreferenceStore.h"

#include <cmath>

namespace velto {

namespace {

bool isNumber(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::Double:
        return true;
    default:
        return false;
    }
}

} // namespace

bool PreferenceStore::boolean(const QString& key) const
{
    const std::optional<QVariant> value = object(key);
    if (!value)
        return false;
    if (value->typeId() == QMetaType::Bool)
        return value->toBool();
    if (isNumber(*value))
        return value->toDouble() != 0.0;
    if (value->typeId() == QMetaType::QString) {
        const QString text = value->toString().trimmed().toLower();
        return text == u"true" || text == u"yes" || (text.toLongLong() != 0);
    }
    return false;
}

qint64 PreferenceStore::integer(const QString& key) const
{
    const std::optional<QVariant> value = object(key);
    if (!value)
        return 0;
    if (value->typeId() == QMetaType::Bool)
        return value->toBool() ? 1 : 0;
    if (value->typeId() == QMetaType::Double) {
        const double d = value->toDouble();
        // Out-of-range or NaN doubles would be undefined behaviour to convert.
        if (!std::isfinite(d) || d >= 9.2e18 || d <= -9.2e18)
            return 0;
        return static_cast<qint64>(d);
    }
    if (isNumber(*value))
        return value->toLongLong();
    if (value->typeId() == QMetaType::QString) {
        bool ok = false;
        const qint64 n = value->toString().trimmed().toLongLong(&ok);
        return ok ? n : 0;
    }
    return 0;
}

std::optional<QString> PreferenceStore::string(const QString& key) const
{
    const std::optional<QVariant> value = object(key);
    if (!value)
        return std::nullopt;
    if (value->typeId() == QMetaType::QString)
        return value->toString();
    if (value->typeId() == QMetaType::Double)
        return QString::number(value->toDouble(), 'g', 17);
    if (isNumber(*value))
        return QString::number(value->toLongLong());
    return std::nullopt;
}

} // namespace velto
