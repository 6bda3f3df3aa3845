#include "ui/PanelAction.h"

#include "model/AppModel.h"

namespace velto {

QString colorName(StatusColor color)
{
    switch (color) {
    case StatusColor::orange:
        return QStringLiteral("orange");
    case StatusColor::green:
        return QStringLiteral("green");
    case StatusColor::white:
        return QStringLiteral("white");
    case StatusColor::red:
        return QStringLiteral("red");
    case StatusColor::blue:
        return QStringLiteral("blue");
    }
    return QStringLiteral("white");
}

void followModelChanges(AppModel& model, QObject* receiver, void (*notify)(QObject*))
{
    const auto relay = [receiver, notify] { notify(receiver); };
    for (auto signal :
         {&AppModel::authStateChanged, &AppModel::rewriteStateChanged, &AppModel::uiStatusChanged,
          &AppModel::noticeChanged, &AppModel::hasAllPermissionsChanged,
          &AppModel::inputMonitoringGrantedChanged, &AppModel::accessibilityGrantedChanged,
          &AppModel::shortcutDisplayChanged, &AppModel::currentToneTitleChanged,
          &AppModel::currentLanguageTitleChanged, &AppModel::setupCompletedStepsChanged,
          &AppModel::selectedToneIDChanged, &AppModel::availableTonesChanged,
          &AppModel::availableLanguagesChanged, &AppModel::capabilitiesChanged})
        QObject::connect(&model, signal, receiver, relay);
}

QVariantList checklistValue(const QList<ChecklistRow>& rows)
{
    QVariantList list;
    for (const ChecklistRow& row : rows)
        list.append(QVariantMap{{QStringLiteral("title"), row.title},
                                {QStringLiteral("subtitle"), row.subtitle},
                                {QStringLiteral("complete"), row.complete}});
    return list;
}

} // namespace velto
