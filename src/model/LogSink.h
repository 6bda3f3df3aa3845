#pragma once

#include <QString>

namespace velto {

enum class LogLevel
{
    info,
    warning,
    error
};

// Where ClientLogger's lines go: the journal in the app, a recorder in tests.
class LogSink
{
public:
    virtual ~LogSink() = default;
    // Asked before a message is built, so a disabled level costs nothing.
    virtual bool isEnabled(LogLevel level) const = 0;
    virtual void write(LogLevel level, const QString& message) = 0;
};

} // namespace velto
