#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QVariantList>

namespace velto {

// What a button of the views asks the controller to do.
enum class PanelAction
{
    none,
    rewrite,
    openSettings,
    signIn,
    signOut,
    // The chosen shortcut is taken: use the first free combination.
    useFreeShortcut,
    addDesktopShortcut,
    removeDesktopShortcut,
    openShortcutHelp,
    openReplacementHelp
};

// The colours the views give a state; the theme turns a name into the palette's shade.
enum class StatusColor
{
    orange,
    green,
    white,
    red,
    blue
};

QString colorName(StatusColor color);

class AppModel;

// Calls `changed` on the receiver's thread after any model change a view shows.
void followModelChanges(AppModel& model, QObject* receiver, void (*notify)(QObject*));

// A checklist line: the setup card of the quick panel and the setup section of the settings.
struct ChecklistRow
{
    QString title;
    QString subtitle;
    bool complete = false;
    bool operator==(const ChecklistRow&) const = default;
};

// Rows as the views read them: maps of title, subtitle and complete.
QVariantList checklistValue(const QList<ChecklistRow>& rows);

} // namespace velto
