#include "model/StderrLogSink.h"

#include <cstdio>
#include <utility>

namespace velto {

StderrLogSink::StderrLogSink(QByteArray identifier) : m_identifier(std::move(identifier)) {}

bool StderrLogSink::isEnabled(LogLevel) const
{
    return true;
}

void StderrLogSink::write(LogLevel level, const QString& message)
{
    const char* tag = level == LogLevel::info      ? "info"
                      : level == LogLevel::warning ? "warning"
                                                   : "error";
    std::fprintf(stderr, "%s[%s]: %s\n", m_identifier.constData(), tag,
                 message.toUtf8().constData());
}

} // namespace velto
