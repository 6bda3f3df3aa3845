#pragma once

#include <QString>
#include <optional>

namespace velto {

// What a failed answer of the auth backend says, reduced to what the user may read.
struct ParsedServerError
{
    std::optional<QString> code;
    // Never empty; at most 243 characters.
    QString message;
    std::optional<QString> requestID;
    bool retryable = false;

    bool operator==(const ParsedServerError&) const = default;
};

} // namespace velto
