#pragma once

#include <QStringList>

namespace velto::fakes {

// One shared record of what the fakes were asked to do, in order, so a test can assert the order
// of steps across several ports.
class FakeEventLog
{
public:
    void add(const QString& entry) { m_entries.append(entry); }
    const QStringList& entries() const { return m_entries; }
    void clear() { m_entries.clear(); }

private:
    QStringList m_entries;
};

} // namespace velto::fakes
