#pragma once

#include "model/AppError.h"

#include <QCoreApplication>

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
    static AppError notJSON() { return dataCorrupted(wrongFormat()); }
    // A stored or received session that is not one.
    static AppError invalidSession()
    {
        return dataCorrupted(
            QCoreApplication::translate("DecodingError", "Invalid auth session payload"));
    }
    static AppError keyNotFound()
    {
        return AppError(domain, keyNotFoundCode,
                        QCoreApplication::translate(
                            "DecodingError", "The data couldn't be read because it is missing."));
    }
    static AppError typeMismatch() { return AppError(domain, typeMismatchCode, wrongFormat()); }

private:
    static QString wrongFormat()
    {
        return QCoreApplication::translate(
            "DecodingError", "The data couldn't be read because it isn't in the correct format.");
    }
};

} // namespace velto
