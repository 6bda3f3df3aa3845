#pragma once

namespace velto {

// Counts an owner's coroutines that are still running, so tests and the exit path can wait
// until none is suspended.
class TaskCounter
{
public:
    class Scope
    {
    public:
        explicit Scope(int& count) : m_count(count) { ++m_count; }
        ~Scope() { --m_count; }
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        int& m_count;
    };

    [[nodiscard]] Scope scope() { return Scope(m_count); }
    bool idle() const { return m_count == 0; }

private:
    int m_count = 0;
};

} // namespace velto
