#pragma once

#include "model/DefaultsDomain.h"

#include <QVariantMap>

namespace velto {

// A defaults domain that lives in memory; counts writes so tests can see write-through.
class MemoryDefaults : public DefaultsDomain
{
public:
    MemoryDefaults() = default;
    explicit MemoryDefaults(QVariantMap values) : m_values(std::move(values)) {}

    std::optional<QVariant> object(const QString& key) const override
    {
        const auto it = m_values.constFind(key);
        if (it == m_values.cend())
            return std::nullopt;
        return *it;
    }
    void setObject(const QString& key, const QVariant& value) override
    {
        m_values.insert(key, value);
        ++m_writes;
    }
    void removeObject(const QString& key) override { m_values.remove(key); }

    const QVariantMap& values() const { return m_values; }
    int writes() const { return m_writes; }

private:
    QVariantMap m_values;
    int m_writes = 0;
};

} // namespace velto
