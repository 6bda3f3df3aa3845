#pragma once

#include <QObject>
#include <QStringList>
#include <QtQml/qqmlregistration.h>

namespace velto {

class AppModel;

// The tone and language pickers: the catalogues' titles in order, the chosen entry, and the
// choice written back to the model as the entry's id.
class CatalogPickers : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("A view's controller makes its pickers.")
    Q_PROPERTY(QStringList toneTitles READ toneTitles NOTIFY changed)
    Q_PROPERTY(int toneIndex READ toneIndex NOTIFY changed)
    Q_PROPERTY(QStringList languageTitles READ languageTitles NOTIFY changed)
    Q_PROPERTY(int languageIndex READ languageIndex NOTIFY changed)

public:
    explicit CatalogPickers(AppModel& model, QObject* parent = nullptr);

    QStringList toneTitles() const;
    int toneIndex() const;
    QStringList languageTitles() const;
    int languageIndex() const;

    Q_INVOKABLE void chooseTone(int index);
    Q_INVOKABLE void chooseLanguage(int index);

signals:
    void changed();

private:
    AppModel& m_model;
};

} // namespace velto
