#pragma once

#include "model/Option.h"

#include <QByteArray>
#include <QList>

namespace velto {

// The service's catalogue of tones and languages with its default choices.
struct RewriteConfigResponse
{
    QList<Option> tones;
    QList<Option> languages;
    QString defaultTone;
    QString defaultLanguage;

    // Every member required and of its exact type; one bad option spoils the whole answer.
    // Throws DecodingError.
    static RewriteConfigResponse decode(const QByteArray& body);
};

} // namespace velto
