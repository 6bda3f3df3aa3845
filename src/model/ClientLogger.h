#pragma once

#include "model/LogSink.h"

#include <QStringView>
#include <memory>

namespace velto {

// The app's only diagnostic output. A line is a fixed lower-case text, optionally followed by a
// variable detail (an error description). The detail is cut to 240 characters, and nothing that
// reaches here may hold a token, a password or the user's text.
class ClientLogger
{
public:
    static void info(QStringView message, QStringView detail = {});
    static void warning(QStringView message, QStringView detail = {});
    static void error(QStringView message, QStringView detail = {});

    // Replaces the process's sink (the journal in main, a recorder in tests). Returns the old one.
    static std::shared_ptr<LogSink> setSink(std::shared_ptr<LogSink> sink);

    static constexpr qsizetype maxDetailLength = 240;

private:
    static void log(LogLevel level, QStringView message, QStringView detail);
};

} // namespace velto
