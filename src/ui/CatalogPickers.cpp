#include "ui/CatalogPickers.h"

#include "model/AppModel.h"

namespace velto {

namespace {

QStringList titles(const QList<Option>& options)
{
    QStringList list;
    for (const Option& option : options)
        list << option.title;
    return list;
}

int indexOf(const QList<Option>& options, const QString& id)
{
    for (int i = 0; i < options.size(); ++i) {
        if (options.at(i).id == id)
            return i;
    }
    return -1;
}

} // namespace

CatalogPickers::CatalogPickers(AppModel& model, QObject* parent) : QObject(parent), m_model(model)
{
    for (auto signal : {&AppModel::toneIDChanged, &AppModel::languageIDChanged,
                        &AppModel::availableTonesChanged, &AppModel::availableLanguagesChanged})
        connect(&model, signal, this, &CatalogPickers::changed);
}

QStringList CatalogPickers::toneTitles() const
{
    return titles(m_model.availableTones());
}

int CatalogPickers::toneIndex() const
{
    return indexOf(m_model.availableTones(), m_model.selectedToneID());
}

QStringList CatalogPickers::languageTitles() const
{
    return titles(m_model.availableLanguages());
}

int CatalogPickers::languageIndex() const
{
    return indexOf(m_model.availableLanguages(), m_model.selectedLanguageID());
}

void CatalogPickers::chooseTone(int index)
{
    const QList<Option> tones = m_model.availableTones();
    if (index >= 0 && index < tones.size())
        m_model.setToneID(tones.at(index).id);
}

void CatalogPickers::chooseLanguage(int index)
{
    const QList<Option> languages = m_model.availableLanguages();
    if (index >= 0 && index < languages.size())
        m_model.setLanguageID(languages.at(index).id);
}

} // namespace velto
