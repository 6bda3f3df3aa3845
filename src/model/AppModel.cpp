#include "model/AppModel.h"

#include "model/UserPreferencesStore.h"

namespace velto {

QList<Option> AppModel::builtInTones()
{
    //: a writing tone
    return {
        {QStringLiteral("grammar_fix"), tr("Default")},
        {QStringLiteral("professional"), tr("Professional")},
        {QStringLiteral("concise"), tr("Concise")},
        {QStringLiteral("creative"), tr("Creative")},
        {QStringLiteral("casual"), tr("Casual")},
        {QStringLiteral("persuasive"), tr("Persuasive")},
    };
}

QList<Option> AppModel::builtInLanguages()
{
    return {
        {QStringLiteral("auto"), tr("Auto-detect")}, {QStringLiteral("english"), tr("English")},
        {QStringLiteral("greek"), tr("Greek")},      {QStringLiteral("french"), tr("French")},
        {QStringLiteral("german"), tr("German")},    {QStringLiteral("spanish"), tr("Spanish")},
        {QStringLiteral("italian"), tr("Italian")},
    };
}

AppModel::AppModel(UserPreferencesStore& store, AppBuildConfig buildConfig, QObject* parent)
    : QObject(parent), m_store(store), m_buildConfig(std::move(buildConfig))
{
    m_launchAtLogin = store.launchAtLogin();
    m_toneID = store.toneID();
    m_languageID = store.languageID();
    m_soundOnCompletion = store.soundOnCompletion();
    m_previewBeforeReplacing = store.previewBeforeReplacing();
    m_shortcutKeyID = store.shortcutKey();
    m_shortcutRequiresShift = store.shortcutRequiresShift();

    m_availableTones = builtInTones();
    m_availableLanguages = builtInLanguages();
    m_authState = AuthState::signedOut();
    m_rewriteState = RewriteState::idle();
    m_uiStatus = UIStatus::ready();

    // Repair what was stored: unknown choices fall back, and the repaired value is saved.
    setToneID(normalizedSelection(m_toneID, m_availableTones, fallbackToneID));
    setLanguageID(normalizedSelection(m_languageID, m_availableLanguages, fallbackLanguageID));
    setShortcutKeyID(ShortcutKeys::normalizedShortcutKey(m_shortcutKeyID));
    recomputeUIStatus();
}

void AppModel::setLaunchAtLogin(bool value)
{
    m_launchAtLogin = value;
    m_store.setLaunchAtLogin(value);
    emit launchAtLoginChanged();
}

void AppModel::setToneID(const QString& value)
{
    m_toneID = value;
    m_store.setToneID(value);
    emit toneIDChanged();
    toneInputsChanged();
}

void AppModel::setLanguageID(const QString& value)
{
    m_languageID = value;
    m_store.setLanguageID(value);
    emit languageIDChanged();
    languageInputsChanged();
}

void AppModel::setSoundOnCompletion(bool value)
{
    m_soundOnCompletion = value;
    m_store.setSoundOnCompletion(value);
    emit soundOnCompletionChanged();
}

void AppModel::setPreviewBeforeReplacing(bool value)
{
    m_previewBeforeReplacing = value;
    m_store.setPreviewBeforeReplacing(value);
    emit previewBeforeReplacingChanged();
}

void AppModel::setShortcutKeyID(const QString& value)
{
    m_shortcutKeyID = value;
    m_store.setShortcutKey(value);
    emit shortcutKeyIDChanged();
    shortcutInputsChanged();
}

void AppModel::setShortcutRequiresShift(bool value)
{
    m_shortcutRequiresShift = value;
    m_store.setShortcutRequiresShift(value);
    emit shortcutRequiresShiftChanged();
    shortcutInputsChanged();
}

QString AppModel::normalizedSelection(const QString& value, const QList<Option>& options,
                                      const QString& fallback)
{
    auto offered = [&](const QString& id) {
        for (const Option& option : options) {
            if (option.id.toLower() == id)
                return true;
        }
        return false;
    };
    const QString v = value.trimmed().toLower();
    if (offered(v))
        return v;
    const QString f = fallback.trimmed().toLower();
    if (offered(f))
        return f;
    if (!options.isEmpty())
        return options.first().id;
    return f;
}

QString AppModel::selectedToneID() const
{
    return normalizedSelection(m_toneID, m_availableTones, fallbackToneID);
}

QString AppModel::selectedLanguageID() const
{
    return normalizedSelection(m_languageID, m_availableLanguages, fallbackLanguageID);
}

QString AppModel::currentToneTitle() const
{
    const QString id = selectedToneID();
    for (const Option& option : m_availableTones) {
        if (option.id == id)
            return option.title;
    }
    return tr("Default");
}

QString AppModel::currentLanguageTitle() const
{
    const QString id = selectedLanguageID();
    for (const Option& option : m_availableLanguages) {
        if (option.id == id)
            return option.title;
    }
    return tr("Auto-detect");
}

const QList<ShortcutKeyOption>& AppModel::availableShortcutKeys()
{
    return ShortcutKeys::availableShortcutKeys();
}

QKeyCombination AppModel::selectedShortcut() const
{
    return ShortcutKeys::combination(ShortcutKeys::normalizedShortcutKey(m_shortcutKeyID),
                                     m_shortcutRequiresShift);
}

QString AppModel::shortcutDisplay() const
{
    return ShortcutKeys::display(ShortcutKeys::normalizedShortcutKey(m_shortcutKeyID),
                                 m_shortcutRequiresShift);
}

bool AppModel::shortcutTaken() const
{
    if (m_capabilities.shortcutTaken)
        return true;
    const ParsedShortcut current{ShortcutKeys::normalizedShortcutKey(m_shortcutKeyID),
                                 m_shortcutRequiresShift};
    return m_capabilities.unavailableShortcuts.contains(current);
}

std::optional<ParsedShortcut> AppModel::freeShortcut() const
{
    const ParsedShortcut current{ShortcutKeys::normalizedShortcutKey(m_shortcutKeyID),
                                 m_shortcutRequiresShift};
    const auto isFree = [&](const ParsedShortcut& candidate) {
        if (m_capabilities.unavailableShortcuts.contains(candidate))
            return false;
        // The chosen one is refused even when the desktop did not say by whom.
        return !(candidate == current && shortcutTaken());
    };
    for (const ParsedShortcut& candidate : ShortcutKeys::freeShortcutCandidates()) {
        if (isFree(candidate))
            return candidate;
    }
    return std::nullopt;
}

bool AppModel::shortcutChosen() const
{
    return m_store.shortcutChosen();
}

bool AppModel::hasAllPermissions() const
{
    return m_inputMonitoringGranted == true && m_accessibilityGranted == true;
}

int AppModel::setupCompletedSteps() const
{
    return (hasAllPermissions() ? 1 : 0) + (m_authState.isSignedIn() ? 1 : 0) +
           (m_rewriteState.kind() == RewriteState::Kind::succeeded ? 1 : 0);
}

bool AppModel::shouldShowFirstRunGuide() const
{
    return !m_store.didShowFirstRunGuide();
}

QVariant AppModel::inputMonitoringGrantedValue() const
{
    return m_inputMonitoringGranted ? QVariant(*m_inputMonitoringGranted) : QVariant();
}

QVariant AppModel::accessibilityGrantedValue() const
{
    return m_accessibilityGranted ? QVariant(*m_accessibilityGranted) : QVariant();
}

void AppModel::toneInputsChanged()
{
    emit selectedToneIDChanged();
    emit currentToneTitleChanged();
}

void AppModel::languageInputsChanged()
{
    emit selectedLanguageIDChanged();
    emit currentLanguageTitleChanged();
}

void AppModel::shortcutInputsChanged()
{
    emit selectedShortcutChanged();
    emit shortcutDisplayChanged();
    // Whether the new combination is one the desktop holds is known at once.
    if (m_inputMonitoringGranted)
        applyCapabilityFlags();
}

void AppModel::permissionInputsChanged()
{
    emit hasAllPermissionsChanged();
    emit setupCompletedStepsChanged();
}

void AppModel::setAuthState(const AuthState& state)
{
    m_authState = state;
    emit authStateChanged();
    emit setupCompletedStepsChanged();
    recomputeUIStatus();
}

void AppModel::setRewriteState(const RewriteState& state)
{
    m_rewriteState = state;
    if (state.kind() == RewriteState::Kind::running)
        m_statusErrorMessage.reset();
    emit rewriteStateChanged();
    emit setupCompletedStepsChanged();
    recomputeUIStatus();
}

void AppModel::setPermissionState(bool inputMonitoring, bool accessibility)
{
    SessionCapabilities capabilities;
    capabilities.shortcutRoute =
        inputMonitoring ? GlobalShortcutRoute::keyGrab : GlobalShortcutRoute::unavailable;
    capabilities.pasteReplacement = accessibility;
    setCapabilities(capabilities);
}

void AppModel::setCapabilities(const SessionCapabilities& capabilities)
{
    m_capabilities = capabilities;
    emit capabilitiesChanged();
    applyCapabilityFlags();
}

void AppModel::applyCapabilityFlags()
{
    m_inputMonitoringGranted =
        m_capabilities.shortcutRoute != GlobalShortcutRoute::unavailable && !shortcutTaken();
    emit inputMonitoringGrantedChanged();
    m_accessibilityGranted = m_capabilities.replacementWorks();
    emit accessibilityGrantedChanged();
    permissionInputsChanged();
    recomputeUIStatus();
}

void AppModel::chooseShortcut(const QString& keyID, bool requiresShift)
{
    m_store.setShortcutChosen(true);
    if (keyID != m_shortcutKeyID)
        setShortcutKeyID(keyID);
    if (requiresShift != m_shortcutRequiresShift)
        setShortcutRequiresShift(requiresShift);
}

void AppModel::setStatusError(const std::optional<QString>& message)
{
    const QString trimmed = message.value_or(QString()).trimmed();
    if (trimmed.isEmpty())
        m_statusErrorMessage.reset();
    else
        m_statusErrorMessage = trimmed;
    recomputeUIStatus();
}

void AppModel::setNotice(UserNoticeStyle style, const QString& title, const QString& message)
{
    m_notice = UserNotice::make(style, title, message);
    emit noticeChanged();
}

void AppModel::clearNotice()
{
    m_notice.reset();
    emit noticeChanged();
}

void AppModel::markFirstRunGuideShown()
{
    m_store.setDidShowFirstRunGuide(true);
    emit shouldShowFirstRunGuideChanged();
}

void AppModel::assignAvailableTones(const QList<Option>& tones)
{
    m_availableTones = tones;
    emit availableTonesChanged();
    toneInputsChanged();
}

void AppModel::assignAvailableLanguages(const QList<Option>& languages)
{
    m_availableLanguages = languages;
    emit availableLanguagesChanged();
    languageInputsChanged();
}

void AppModel::applyCatalogs(const QList<Option>& tones, const QList<Option>& languages,
                             const QString& defaultTone, const QString& defaultLanguage)
{
    assignAvailableTones(tones.isEmpty() ? builtInTones() : tones);
    assignAvailableLanguages(languages.isEmpty() ? builtInLanguages() : languages);
    setToneID(normalizedSelection(m_toneID, m_availableTones, defaultTone));
    setLanguageID(normalizedSelection(m_languageID, m_availableLanguages, defaultLanguage));
    recomputeUIStatus();
}

void AppModel::applyServerConfig(const QList<Option>& tones, const QList<Option>& languages,
                                 const QString& defaultTone, const QString& defaultLanguage)
{
    applyCatalogs(tones, languages, defaultTone, defaultLanguage);
}

void AppModel::resetToFallbackCatalog()
{
    applyCatalogs(builtInTones(), builtInLanguages(), fallbackToneID, fallbackLanguageID);
}

RuntimeServer AppModel::resolveRuntimeServer() const
{
    return RuntimeServer{m_buildConfig.apiBaseURL, true};
}

void AppModel::recomputeUIStatus()
{
    using RK = RewriteState::Kind;
    using AK = AuthState::Kind;
    if (m_rewriteState.kind() == RK::running) {
        m_uiStatus = UIStatus::rewriting();
    } else if (m_inputMonitoringGranted == false || m_accessibilityGranted == false) {
        m_uiStatus = UIStatus::permissionRequired();
    } else if (m_statusErrorMessage && !m_statusErrorMessage->isEmpty()) {
        m_uiStatus = UIStatus::error(*m_statusErrorMessage);
    } else if (m_rewriteState.kind() == RK::failed) {
        const QString message = m_rewriteState.message().trimmed();
        m_uiStatus = UIStatus::error(message.isEmpty() ? tr("Rewrite failed.") : message);
    } else if (m_authState.kind() == AK::signedOut || m_authState.kind() == AK::signingIn) {
        m_uiStatus = UIStatus::signInRequired();
    } else {
        m_uiStatus = UIStatus::ready();
    }
    emit uiStatusChanged();
}

} // namespace velto
