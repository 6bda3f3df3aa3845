#pragma once

#include "model/InMemoryPreferences.h"

namespace velto {

// An in-memory defaults domain that counts writes, so tests can see write-through.
class MemoryPreferences : public InMemoryPreferences
{
public:
    using InMemoryPreferences::InMemoryPreferences;

    void setObject(const QString& key, const QVariant& value) override
    {
        InMemoryPreferences::setObject(key, value);
        ++m_writes;
    }
    int writes() const { return m_writes; }

private:
    int m_writes = 0;
};

} // namespace velto
