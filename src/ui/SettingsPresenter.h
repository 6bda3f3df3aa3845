#pragma once

#include "ui/PanelAction.h"

#include <QList>
#include <QObject>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

namespace velto {

class AppModel;

// What the settings window shows for the model's state: navigation, header chip, the three
// sections' lines. The static functions hold the rules; the object publishes them to the view.
class SettingsPresenter : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The settings window's controller makes its presenter.")
    Q_PROPERTY(QVariantList sections READ sectionsValue CONSTANT)
    Q_PROPERTY(QString headerChip READ headerChipText NOTIFY changed)
    Q_PROPERTY(bool ready READ readyValue NOTIFY changed)
    Q_PROPERTY(QString readinessLine READ readinessLineText NOTIFY changed)
    Q_PROPERTY(QVariantList readinessLines READ readinessLinesValue NOTIFY changed)
    Q_PROPERTY(QString workflowSentence READ workflowSentenceText NOTIFY changed)
    Q_PROPERTY(QString toneDescription READ toneDescriptionText NOTIFY changed)
    Q_PROPERTY(QString currentDefault READ currentDefaultText NOTIFY changed)
    Q_PROPERTY(QVariantList checklist READ checklistValueList NOTIFY changed)
    Q_PROPERTY(QString accountStatus READ accountStatus NOTIFY changed)
    Q_PROPERTY(QString accountCaption READ accountCaption NOTIFY changed)
    Q_PROPERTY(QString accountButton READ accountButton NOTIFY changed)
    Q_PROPERTY(bool accountButtonEnabled READ accountButtonEnabled NOTIFY changed)
    Q_PROPERTY(bool accountButtonBordered READ accountButtonBordered NOTIFY changed)
    Q_PROPERTY(QVariantList capabilityRows READ capabilityRowsValue NOTIFY changed)

public:
    // A capability row's button names its row by this; capitalised as QML needs.
    enum class Capability
    {
        GlobalShortcut,
        TextReplacement
    };
    Q_ENUM(Capability)

    struct Section
    {
        QString id;
        QString title;
        QString subtitle;
        QString symbol;
    };
    struct ReadinessLine
    {
        QString label;
        QString value;
        bool operator==(const ReadinessLine&) const = default;
    };
    struct AccountCard
    {
        QString status;
        QString caption;
        QString button;
        bool buttonEnabled = true;
        bool bordered = false;
        PanelAction action = PanelAction::none;
    };
    struct CapabilityRow
    {
        Capability capability = Capability::GlobalShortcut;
        QString title;
        // How it works in this session, or why it does not.
        QString subtitle;
        bool works = false;
        // Empty when no button would do anything.
        QString buttonTitle;
        PanelAction action = PanelAction::none;
    };

    static QList<Section> sections();
    static QString headerChip(const AppModel& model);
    // Every capability works and the account is signed in: the header chip is green.
    static bool ready(const AppModel& model);
    static QString readinessLine(const AppModel& model);
    static QList<ReadinessLine> readinessLines(const AppModel& model);
    static QString workflowSentence(const AppModel& model);
    static QString toneDescription(const QString& toneID);
    static QString currentDefaultLine(const AppModel& model);
    static QList<ChecklistRow> checklist(const AppModel& model);
    static AccountCard accountCard(const AppModel& model);
    static QList<CapabilityRow> capabilityRows(const AppModel& model);
    static CapabilityRow shortcutRow(const AppModel& model);
    static CapabilityRow replacementRow(const AppModel& model);

    explicit SettingsPresenter(AppModel& model, QObject* parent = nullptr);

    QVariantList sectionsValue() const;
    // The section of that id as the views read it; the first one for an unknown id.
    Q_INVOKABLE QVariantMap sectionValue(const QString& id) const;
    QString headerChipText() const { return headerChip(m_model); }
    bool readyValue() const { return ready(m_model); }
    QString readinessLineText() const { return readinessLine(m_model); }
    QVariantList readinessLinesValue() const;
    QString workflowSentenceText() const { return workflowSentence(m_model); }
    QString toneDescriptionText() const;
    QString currentDefaultText() const { return currentDefaultLine(m_model); }
    QVariantList checklistValueList() const { return checklistValue(checklist(m_model)); }
    QString accountStatus() const { return accountCard(m_model).status; }
    QString accountCaption() const { return accountCard(m_model).caption; }
    QString accountButton() const { return accountCard(m_model).button; }
    bool accountButtonEnabled() const { return accountCard(m_model).buttonEnabled; }
    bool accountButtonBordered() const { return accountCard(m_model).bordered; }
    QVariantList capabilityRowsValue() const;

signals:
    void changed();

private:
    AppModel& m_model;
};

} // namespace velto
