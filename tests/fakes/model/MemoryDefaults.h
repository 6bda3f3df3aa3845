#pragma once

#include "model/InMemoryDefaults.h"

namespace velto {

// An in-memory defaults domain that counts writes, so tests can see write-through.
class MemoryDefaults : public InMemoryDefaults
{
public:
    using InMemoryDefaults::InMemoryDefaults;

    void setObject(const QString& key, const QVariant& value) override
    {
        InMemoryDefaults::setObject(key, value);
        ++m_writes;
    }
    int writes() const { return m_writes; }

private:
    int m_writes = 0;
};

} // namespace velto
