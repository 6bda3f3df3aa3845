#pragma once

#include "model/LogSink.h"

#include <QList>
#include <QString>

namespace velto {

// Records every line ClientLogger writes, with its level.
class RecordingLogSink : public LogSink
{
public:
    struct Line
    {
        LogLevel level;
        QString message;
    };

    bool isEnabled(LogLevel level) const override { return enabledLevels & (1 << int(level)); }
    void write(LogLevel level, const QString& message) override { lines.append({level, message}); }

    bool contains(LogLevel level, const QString& message) const
    {
        for (const Line& line : lines) {
            if (line.level == level && line.message == message)
                return true;
        }
        return false;
    }

    int enabledLevels = 0b111;
    QList<Line> lines;
};

} // namespace velto
