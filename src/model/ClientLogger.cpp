#include "model/ClientLogger.h"

#include "model/StderrLogSink.h"

#include <QString>
#include <mutex>

namespace velto {

namespace {

std::mutex& sinkMutex()
{
    static std::mutex mutex;
    return mutex;
}

std::shared_ptr<LogSink>& sinkSlot()
{
    static std::shared_ptr<LogSink> sink = std::make_shared<StderrLogSink>();
    return sink;
}

std::shared_ptr<LogSink> currentSink()
{
    std::lock_guard lock(sinkMutex());
    return sinkSlot();
}

} // namespace

void ClientLogger::info(QStringView message, QStringView detail)
{
    log(LogLevel::info, message, detail);
}

void ClientLogger::warning(QStringView message, QStringView detail)
{
    log(LogLevel::warning, message, detail);
}

void ClientLogger::error(QStringView message, QStringView detail)
{
    log(LogLevel::error, message, detail);
}

std::shared_ptr<LogSink> ClientLogger::setSink(std::shared_ptr<LogSink> sink)
{
    std::lock_guard lock(sinkMutex());
    std::swap(sinkSlot(), sink);
    return sink;
}

void ClientLogger::log(LogLevel level, QStringView message, QStringView detail)
{
    const std::shared_ptr<LogSink> sink = currentSink();
    if (!sink || !sink->isEnabled(level))
        return;
    QString line;
    if (detail.size() > maxDetailLength) {
        // Cut between code points, never inside a surrogate pair.
        qsizetype cut = maxDetailLength;
        if (detail.at(cut - 1).isHighSurrogate())
            --cut;
        line.reserve(message.size() + cut + 1);
        line.append(message).append(detail.left(cut)).append(QChar(0x2026));
    } else {
        line.reserve(message.size() + detail.size());
        line.append(message).append(detail);
    }
    sink->write(level, line);
}

} // namespace velto
