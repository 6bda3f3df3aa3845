#pragma once

#include "model/LogSink.h"

namespace velto {

// The fallback sink when no system journal is reachable.
class StderrLogSink : public LogSink
{
public:
    bool isEnabled(LogLevel level) const override;
    void write(LogLevel level, const QString& message) override;
};

} // namespace velto
