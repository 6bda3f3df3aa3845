#pragma once

#include "model/AppError.h"
#include "model/AppErrorKind.h"

namespace velto {

// Sorts the errors of the session and rewrite clients by what they mean to the user, from
// their domain and code alone: their sentences are for reading, not for matching.
class ErrorKinds
{
public:
    static AppErrorKind of(const AppError& error);
};

} // namespace velto
