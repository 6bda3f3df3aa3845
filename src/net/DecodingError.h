#pragma once

#include "model/AppError.h"

namespace velto {

// A JSON document that does not have the expected shape. The texts stay generic on purpose: a
// key name such as "access_token" in a user-facing sentence would read as an account problem.
class DecodingError
{
public:
    enum Code
    {
        dataCorruptedCode = 1,
        keyNotFoundCode,
        typeMismatchCode
    };
    static inline const QString domain = QStringLiteral("Velto.Decoding");

    static AppError dataCorrupted(const QString& description)
    {
        return AppError(domain, dataCorruptedCode, description);
    }
    static AppError notJSON()
    {
        return dataCorrupted(
            QStringLiteral("The data couldn't be read because it isn't in the correct format."));
    }
    static AppError keyNotFound()
    {
        return AppError(domain, keyNotFoundCode,
                        QStringLiteral("The data couldn't be read because it is missing."));
    }
    static AppError typeMismatch()
    {
        return AppError(
            domain, typeMismatchCode,
            QStringLiteral("The data couldn't be read because it isn't in the correct format."));
    }
};

} // namespace velto
