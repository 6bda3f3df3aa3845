#pragma once

#include <QLocale>

class QCoreApplication;
class QTranslator;

namespace velto {

// Our texts and Qt's own in the user's language (LANGUAGE, LC_MESSAGES, LANG), from the
// translations compiled into the program and the system's Qt translations folder. A language
// without a translation stays English.
class SystemTranslations
{
public:
    // Returns whether our own texts were found for `locale`.
    static bool install(QCoreApplication& app, const QLocale& locale = QLocale());
    // Our own catalogue for `locale` into `translator`, the English one when there is none; needs
    // no application object, for what a program prints before it has one. Returns whether a
    // catalogue for `locale` was found.
    static bool load(QTranslator& translator, const QLocale& locale = QLocale());
};

} // namespace velto
