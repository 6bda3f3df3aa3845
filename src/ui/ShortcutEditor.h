#pragma once

#include <QObject>
#include <QString>
#include <QVariantList>
#include <functional>

namespace velto {

class AppModel;

// The shortcut controls of the settings: the typed field, the Shift badge and the key menu.
// Every change of the model's key or Shift flag, from here or elsewhere, rewrites the field to
// the display form and calls the handler once per changed value.
class ShortcutEditor : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString input READ input NOTIFY inputChanged)
    Q_PROPERTY(bool invalid READ invalid NOTIFY invalidChanged)
    Q_PROPERTY(bool shiftActive READ shiftActive NOTIFY shortcutChanged)
    Q_PROPERTY(QString keyTitle READ keyTitle NOTIFY shortcutChanged)
    Q_PROPERTY(int keyIndex READ keyIndex NOTIFY shortcutChanged)
    Q_PROPERTY(QStringList keyTitles READ keyTitles CONSTANT)
    Q_PROPERTY(QString placeholder READ placeholder CONSTANT)
    Q_PROPERTY(QString hint READ hint CONSTANT)

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

    // The field starts from the model each time the section appears.
    Q_INVOKABLE void reset();
    // Every keystroke of the field.
    Q_INVOKABLE void edit(const QString& text);
    Q_INVOKABLE void toggleShift();
    Q_INVOKABLE void chooseKey(int index);

signals:
    void inputChanged();
    void invalidChanged();
    void shortcutChanged();

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
