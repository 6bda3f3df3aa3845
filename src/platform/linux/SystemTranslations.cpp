#include "platform/linux/SystemTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

static void initTranslationResources()
{
    // The compiled catalogues live in this static library; naming them keeps the linker from
    // dropping them.
    Q_INIT_RESOURCE(velto_translations);
}

namespace velto {

bool SystemTranslations::load(QTranslator& translator, const QLocale& locale)
{
    initTranslationResources();
    if (translator.load(locale, QStringLiteral("velto"), QStringLiteral("_"),
                        QStringLiteral(":/i18n")))
        return true;
    // Without a catalogue for the language, English: the source texts with their plural forms
    // (and without even that, the source texts as they are).
    (void)translator.load(QStringLiteral(":/i18n/velto_en.qm"));
    return false;
}

bool SystemTranslations::install(QCoreApplication& app, const QLocale& locale)
{
    initTranslationResources();
    // Qt's own texts (standard buttons, dialogs) come first so ours can override them.
    auto* qtbase = new QTranslator(&app);
    if (qtbase->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(qtbase);
    else
        delete qtbase;

    auto* own = new QTranslator(&app);
    const bool found = load(*own, locale);
    if (!own->isEmpty())
        QCoreApplication::installTranslator(own);
    else
        delete own;
    return found;
}

} // namespace velto
