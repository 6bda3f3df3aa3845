#include "model/UserPreferencesStore.h"

#include "model/ClientLogger.h"
#include "model/JsonPreferenceFile.h"
#include "model/ShortcutKeys.h"

namespace velto {

UserPreferencesStore::UserPreferencesStore(std::shared_ptr<PreferenceStore> defaults)
    : m_defaults(std::move(defaults))
{
    migrateIfNeeded();
}

UserPreferencesStore& UserPreferencesStore::shared()
{
    static UserPreferencesStore store(
        std::make_shared<JsonPreferenceFile>(JsonPreferenceFile::defaultPath()));
    return store;
}

void UserPreferencesStore::setIfAbsent(const QString& key, const QVariant& value)
{
    if (!m_defaults->object(key))
        m_defaults->setObject(key, value);
}

void UserPreferencesStore::migrateIfNeeded()
{
    const qint64 version = m_defaults->integer(Keys::schemaVersion);
    if (version >= currentSchemaVersion)
        return;
    if (version <= 0) {
        setIfAbsent(Keys::tone, QStringLiteral("grammar_fix"));
        setIfAbsent(Keys::language, QStringLiteral("auto"));
        setIfAbsent(Keys::soundOnCompletion, true);
    }
    if (version <= 2) {
        for (const char* legacy :
             {"serverURL", "supabaseURL", "supabaseAnonKey", "supabaseProvider"})
            m_defaults->removeObject(QString::fromLatin1(legacy));
    }
    if (version <= 3) {
        setIfAbsent(Keys::shortcutKey, QStringLiteral("l"));
        setIfAbsent(Keys::shortcutRequiresShift, false);
    }
    if (version <= 4)
        setIfAbsent(Keys::didShowFirstRunGuide, false);
    if (version <= 5)
        moveUnchosenShortcutToDefault(version > 0);
    m_defaults->setObject(Keys::schemaVersion, QVariant::fromValue<qint64>(currentSchemaVersion));
}

void UserPreferencesStore::moveUnchosenShortcutToDefault(bool existingStore)
{
    // Stores of this age wrote Super+L when they were created, so that value alone says nothing
    // about the user; any other value was chosen. Nothing stored reads as the default already.
    if (!m_defaults->object(Keys::shortcutKey) &&
        !m_defaults->object(Keys::shortcutRequiresShift)) {
        m_defaults->setObject(Keys::shortcutChosen, false);
        return;
    }
    const QString key = m_defaults->string(Keys::shortcutKey).value_or(ShortcutKeys::defaultKeyID);
    const bool shift = m_defaults->boolean(Keys::shortcutRequiresShift);
    const bool legacyDefault =
        key == ShortcutKeys::defaultKeyID && shift == ShortcutKeys::legacyDefaultRequiresShift;
    if (!legacyDefault) {
        m_defaults->setObject(Keys::shortcutChosen, true);
        return;
    }
    m_defaults->setObject(Keys::shortcutKey, ShortcutKeys::defaultKeyID);
    m_defaults->setObject(Keys::shortcutRequiresShift, ShortcutKeys::defaultRequiresShift);
    m_defaults->setObject(Keys::shortcutChosen, false);
    if (existingStore)
        ClientLogger::info(u"shortcut never chosen: moved from ",
                           ShortcutKeys::display(key, shift) + QStringLiteral(" to ") +
                               ShortcutKeys::display(ShortcutKeys::defaultKeyID,
                                                     ShortcutKeys::defaultRequiresShift));
}

bool UserPreferencesStore::launchAtLogin() const
{
    return m_defaults->boolean(Keys::launchAtLogin);
}

void UserPreferencesStore::setLaunchAtLogin(bool value)
{
    m_defaults->setObject(Keys::launchAtLogin, value);
}

QString UserPreferencesStore::toneID() const
{
    return m_defaults->string(Keys::tone).value_or(QStringLiteral("grammar_fix"));
}

void UserPreferencesStore::setToneID(const QString& value)
{
    m_defaults->setObject(Keys::tone, value);
}

QString UserPreferencesStore::languageID() const
{
    return m_defaults->string(Keys::language).value_or(QStringLiteral("auto"));
}

void UserPreferencesStore::setLanguageID(const QString& value)
{
    m_defaults->setObject(Keys::language, value);
}

bool UserPreferencesStore::soundOnCompletion() const
{
    if (!m_defaults->object(Keys::soundOnCompletion))
        return true;
    return m_defaults->boolean(Keys::soundOnCompletion);
}

void UserPreferencesStore::setSoundOnCompletion(bool value)
{
    m_defaults->setObject(Keys::soundOnCompletion, value);
}

bool UserPreferencesStore::previewBeforeReplacing() const
{
    return m_defaults->boolean(Keys::previewBeforeReplacing);
}

void UserPreferencesStore::setPreviewBeforeReplacing(bool value)
{
    m_defaults->setObject(Keys::previewBeforeReplacing, value);
}

QString UserPreferencesStore::shortcutKey() const
{
    return m_defaults->string(Keys::shortcutKey).value_or(QStringLiteral("l"));
}

void UserPreferencesStore::setShortcutKey(const QString& value)
{
    m_defaults->setObject(Keys::shortcutKey, value);
}

bool UserPreferencesStore::shortcutRequiresShift() const
{
    if (!m_defaults->object(Keys::shortcutRequiresShift))
        return ShortcutKeys::defaultRequiresShift;
    return m_defaults->boolean(Keys::shortcutRequiresShift);
}

bool UserPreferencesStore::shortcutChosen() const
{
    return m_defaults->boolean(Keys::shortcutChosen);
}

void UserPreferencesStore::setShortcutChosen(bool value)
{
    m_defaults->setObject(Keys::shortcutChosen, value);
}

void UserPreferencesStore::setShortcutRequiresShift(bool value)
{
    m_defaults->setObject(Keys::shortcutRequiresShift, value);
}

bool UserPreferencesStore::didShowFirstRunGuide() const
{
    return m_defaults->boolean(Keys::didShowFirstRunGuide);
}

void UserPreferencesStore::setDidShowFirstRunGuide(bool value)
{
    m_defaults->setObject(Keys::didShowFirstRunGuide, value);
}

} // namespace velto
