#include "model/StderrLogSink.h"

#include <cstdio>

namespace velto {

bool StderrLogSink::isEnabled(LogLevel) const
{
    return true;
}

void StderrLogSink::write(LogLevel level, const QString& message)
{
    const char* tag = level == LogLevel::info      ? "info"
                      : level == LogLevel::warning ? "warning"
                                                   : "error";
    std::fprintf(stderr, "velto[%s]: %s\n", tag, message.toUtf8().constData());
}

} // namespace velto
