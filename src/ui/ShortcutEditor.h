#pragma once

#include <QObject>
#include <QString>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>
#include <functional>

namespace velto {

class AppModel;

// The shortcut controls of the settings: the typed field, the Shift badge and the key menu.
// Every change of the model's key or Shift flag, from here or elsewhere, rewrites the field to
// the display form and calls the handler once per changed value.
class ShortcutEditor : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The settings window's controller makes its shortcut editor.")
    Q_PROPERTY(QString input READ input NOTIFY inputChanged)
    Q_PROPERTY(bool invalid READ invalid NOTIFY invalidChanged)
    Q_PROPERTY(bool shiftActive READ shiftActive NOTIFY shortcutChanged)
    Q_PROPERTY(QString keyTitle READ keyTitle NOTIFY shortcutChanged)
    Q_PROPERTY(int keyIndex READ keyIndex NOTIFY shortcutChanged)
    Q_PROPERTY(QStringList keyTitles READ keyTitles CONSTANT)
    Q_PROPERTY(QString placeholder READ placeholder CONSTANT)
    Q_PROPERTY(QString hint READ hint CONSTANT)
    Q_PROPERTY(bool taken READ taken NOTIFY takenChanged)
    Q_PROPERTY(QString takenLine READ takenLine NOTIFY takenChanged)
    Q_PROPERTY(QString freeButtonTitle READ freeButtonTitle NOTIFY takenChanged)

public:
    ShortcutEditor(AppModel& model, std::function<void()> changedHandler,
                   QObject* parent = nullptr);

    QString input() const { return m_input; }
    bool invalid() const { return m_invalid; }
    bool shiftActive() const;
    QString keyTitle() const;
    int keyIndex() const;
    QStringList keyTitles() const;
    QString placeholder() const;
    QString hint() const;
    // The chosen combination is held by another program or by the desktop.
    bool taken() const;
    QString takenLine() const;
    // "Use Super+Shift+L" for the first free combination; empty when none is free.
    QString freeButtonTitle() const;

    // The field starts from the model each time the section appears.
    Q_INVOKABLE void reset();
    // Every keystroke of the field.
    Q_INVOKABLE void edit(const QString& text);
    Q_INVOKABLE void toggleShift();
    Q_INVOKABLE void chooseKey(int index);
    Q_INVOKABLE void useFreeShortcut();

signals:
    void inputChanged();
    void invalidChanged();
    void shortcutChanged();
    void takenChanged();

private:
    void modelKeyChanged();
    void modelShiftChanged();
    void setInput(const QString& text);
    void setInvalid(bool invalid);

    AppModel& m_model;
    std::function<void()> m_changedHandler;
    QString m_input;
    bool m_invalid = false;
    // What the handler last heard of: the model notifies equal assignments too.
    QString m_keyID;
    bool m_shift = false;
};

} // namespace velto
