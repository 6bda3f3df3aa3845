#pragma once

#include "model/PreferenceStore.h"

#include <QString>
#include <memory>

namespace velto {

// The user's settings, each with its default, over a defaults domain. Creating a store brings
// an older stored layout up to the current schema.
class UserPreferencesStore
{
public:
    static constexpr qint64 currentSchemaVersion = 6;

    explicit UserPreferencesStore(std::shared_ptr<PreferenceStore> defaults);

    // The process's store over $XDG_CONFIG_HOME/velto/preferences.json, created on first use.
    static UserPreferencesStore& shared();

    bool launchAtLogin() const;
    void setLaunchAtLogin(bool value);
    QString toneID() const;
    void setToneID(const QString& value);
    QString languageID() const;
    void setLanguageID(const QString& value);
    bool soundOnCompletion() const;
    void setSoundOnCompletion(bool value);
    QString shortcutKey() const;
    void setShortcutKey(const QString& value);
    bool shortcutRequiresShift() const;
    void setShortcutRequiresShift(bool value);
    // Set once the user picks a shortcut; an unchosen one follows the default.
    bool shortcutChosen() const;
    void setShortcutChosen(bool value);
    bool didShowFirstRunGuide() const;
    void setDidShowFirstRunGuide(bool value);
    // Off unless stored: the rewrite replaces the selection at once.
    bool previewBeforeReplacing() const;
    void setPreviewBeforeReplacing(bool value);

    PreferenceStore& defaults() const { return *m_defaults; }

    struct Keys
    {
        static inline const QString launchAtLogin = QStringLiteral("launchAtLogin");
        static inline const QString tone = QStringLiteral("tone");
        static inline const QString language = QStringLiteral("language");
        static inline const QString soundOnCompletion = QStringLiteral("soundOnCompletion");
        static inline const QString shortcutKey = QStringLiteral("shortcutKey");
        static inline const QString shortcutRequiresShift = QStringLiteral("shortcutRequiresShift");
        static inline const QString shortcutChosen = QStringLiteral("shortcutChosen");
        static inline const QString didShowFirstRunGuide = QStringLiteral("didShowFirstRunGuide");
        static inline const QString previewBeforeReplacing =
            QStringLiteral("previewBeforeReplacing");
        static inline const QString schemaVersion = QStringLiteral("settings_schema_version");
    };

private:
    void migrateIfNeeded();
    void setIfAbsent(const QString& key, const QVariant& value);
    void moveUnchosenShortcutToDefault(bool existingStore);

    std::shared_ptr<PreferenceStore> m_defaults;
};

} // namespace velto
