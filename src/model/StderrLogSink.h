#pragma once

#include "model/LogSink.h"

#include <QByteArray>

namespace velto {

// The fallback sink when no system journal is reachable; each line tagged with the program's
// name ("velto[info]: ...").
class StderrLogSink : public LogSink
{
public:
    explicit StderrLogSink(QByteArray identifier = QByteArrayLiteral("velto"));

    bool isEnabled(LogLevel level) const override;
    void write(LogLevel level, const QString& message) override;

private:
    QByteArray m_identifier;
};

} // namespace velto
