#pragma once

#include "model/PreferenceStore.h"

#include <QVariantMap>

namespace velto {

// A defaults domain that lives only as long as the process: for runs that read the user's
// choices but must not change them (velto-cli with --tone), and for tests.
class InMemoryPreferences : public PreferenceStore
{
public:
    InMemoryPreferences() = default;
    explicit InMemoryPreferences(QVariantMap values) : m_values(std::move(values)) {}

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
    }
    void removeObject(const QString& key) override { m_values.remove(key); }

    const QVariantMap& values() const { return m_values; }

private:
    QVariantMap m_values;
};

} // namespace velto
