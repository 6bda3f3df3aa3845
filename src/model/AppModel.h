#pragma once

#include "model/AppBuildConfig.h"
#include "model/AuthState.h"
#include "model/Option.h"
#include "model/RewriteState.h"
#include "model/RuntimeServer.h"
#include "model/SessionCapabilities.h"
#include "model/ShortcutKeys.h"
#include "model/UIStatus.h"
#include "model/UserNotice.h"

#include <QList>
#include <QObject>
#include <QVariant>
#include <optional>

namespace velto {

class UserPreferencesStore;

// The single observable state of the app. Every published field notifies on every assignment,
// even of an equal value; derived properties notify whenever one of their inputs is assigned.
// The user's choices are written through to the preferences store as they are assigned.
class AppModel : public QObject
{
    Q_OBJECT
    Q_PROPERTY(
        bool launchAtLogin READ launchAtLogin WRITE setLaunchAtLogin NOTIFY launchAtLoginChanged)
    Q_PROPERTY(QString toneID READ toneID WRITE setToneID NOTIFY toneIDChanged)
    Q_PROPERTY(QString languageID READ languageID WRITE setLanguageID NOTIFY languageIDChanged)
    Q_PROPERTY(bool soundOnCompletion READ soundOnCompletion WRITE setSoundOnCompletion NOTIFY
                   soundOnCompletionChanged)
    Q_PROPERTY(bool previewBeforeReplacing READ previewBeforeReplacing WRITE
                   setPreviewBeforeReplacing NOTIFY previewBeforeReplacingChanged)
    Q_PROPERTY(
        QString shortcutKeyID READ shortcutKeyID WRITE setShortcutKeyID NOTIFY shortcutKeyIDChanged)
    Q_PROPERTY(bool shortcutRequiresShift READ shortcutRequiresShift WRITE setShortcutRequiresShift
                   NOTIFY shortcutRequiresShiftChanged)
    Q_PROPERTY(velto::AuthState authState READ authState NOTIFY authStateChanged)
    Q_PROPERTY(velto::RewriteState rewriteState READ rewriteState NOTIFY rewriteStateChanged)
    Q_PROPERTY(QList<velto::Option> availableTones READ availableTones NOTIFY availableTonesChanged)
    Q_PROPERTY(QList<velto::Option> availableLanguages READ availableLanguages NOTIFY
                   availableLanguagesChanged)
    Q_PROPERTY(velto::UIStatus uiStatus READ uiStatus NOTIFY uiStatusChanged)
    // Undefined (an invalid QVariant) until first checked, then a bool.
    Q_PROPERTY(QVariant inputMonitoringGranted READ inputMonitoringGrantedValue NOTIFY
                   inputMonitoringGrantedChanged)
    Q_PROPERTY(QVariant accessibilityGranted READ accessibilityGrantedValue NOTIFY
                   accessibilityGrantedChanged)
    Q_PROPERTY(bool shortcutTaken READ shortcutTaken NOTIFY capabilitiesChanged)
    Q_PROPERTY(bool hasNotice READ hasNotice NOTIFY noticeChanged)
    Q_PROPERTY(velto::UserNotice notice READ noticeValue NOTIFY noticeChanged)

    Q_PROPERTY(QString selectedToneID READ selectedToneID NOTIFY selectedToneIDChanged)
    Q_PROPERTY(QString selectedLanguageID READ selectedLanguageID NOTIFY selectedLanguageIDChanged)
    Q_PROPERTY(QString currentToneTitle READ currentToneTitle NOTIFY currentToneTitleChanged)
    Q_PROPERTY(
        QString currentLanguageTitle READ currentLanguageTitle NOTIFY currentLanguageTitleChanged)
    Q_PROPERTY(QString shortcutDisplay READ shortcutDisplay NOTIFY shortcutDisplayChanged)
    Q_PROPERTY(bool hasAllPermissions READ hasAllPermissions NOTIFY hasAllPermissionsChanged)
    Q_PROPERTY(int setupCompletedSteps READ setupCompletedSteps NOTIFY setupCompletedStepsChanged)
    Q_PROPERTY(int setupTotalSteps READ setupTotalSteps CONSTANT)
    Q_PROPERTY(bool shouldShowFirstRunGuide READ shouldShowFirstRunGuide NOTIFY
                   shouldShowFirstRunGuideChanged)

public:
    using Option = velto::Option;
    using RuntimeServer = velto::RuntimeServer;
    using ShortcutKeyOption = velto::ShortcutKeyOption;

    AppModel(UserPreferencesStore& store, AppBuildConfig buildConfig, QObject* parent = nullptr);

    static QList<Option> builtInTones();
    static QList<Option> builtInLanguages();
    static inline const QString fallbackToneID = QStringLiteral("grammar_fix");
    static inline const QString fallbackLanguageID = QStringLiteral("auto");

    UserPreferencesStore& store() const { return m_store; }
    const AppBuildConfig& buildConfig() const { return m_buildConfig; }

    // Published fields.
    bool launchAtLogin() const { return m_launchAtLogin; }
    void setLaunchAtLogin(bool value);
    QString toneID() const { return m_toneID; }
    void setToneID(const QString& value);
    QString languageID() const { return m_languageID; }
    void setLanguageID(const QString& value);
    bool soundOnCompletion() const { return m_soundOnCompletion; }
    void setSoundOnCompletion(bool value);
    bool previewBeforeReplacing() const { return m_previewBeforeReplacing; }
    void setPreviewBeforeReplacing(bool value);
    QString shortcutKeyID() const { return m_shortcutKeyID; }
    void setShortcutKeyID(const QString& value);
    bool shortcutRequiresShift() const { return m_shortcutRequiresShift; }
    void setShortcutRequiresShift(bool value);
    AuthState authState() const { return m_authState; }
    RewriteState rewriteState() const { return m_rewriteState; }
    QList<Option> availableTones() const { return m_availableTones; }
    QList<Option> availableLanguages() const { return m_availableLanguages; }
    UIStatus uiStatus() const { return m_uiStatus; }
    // The two capabilities the user reads about, none until first checked: the "Global
    // shortcut" works (a route, and the combination not taken), and "Text replacement" works
    // (the accessibility bus or a synthetic paste). Set from the session's capabilities.
    std::optional<bool> inputMonitoringGranted() const { return m_inputMonitoringGranted; }
    std::optional<bool> accessibilityGranted() const { return m_accessibilityGranted; }
    const std::optional<UserNotice>& notice() const { return m_notice; }
    const SessionCapabilities& capabilities() const { return m_capabilities; }

    // Derived.
    QString selectedToneID() const;
    QString selectedLanguageID() const;
    QString currentToneTitle() const;
    QString currentLanguageTitle() const;
    static const QList<ShortcutKeyOption>& availableShortcutKeys();
    // The chosen shortcut as the hotkey listener takes it.
    QKeyCombination selectedShortcut() const;
    QString shortcutDisplay() const;
    bool hasAllPermissions() const;
    // The chosen combination is taken by another program or by the desktop itself.
    bool shortcutTaken() const;
    // The first combination nobody is known to hold, the default first; empty when every
    // combination is held.
    std::optional<ParsedShortcut> freeShortcut() const;
    // Whether the user ever chose a shortcut (a stored default was never chosen).
    bool shortcutChosen() const;
    int setupCompletedSteps() const;
    int setupTotalSteps() const { return 3; }
    bool shouldShowFirstRunGuide() const;

    // Operations.
    void setAuthState(const AuthState& state);
    void setRewriteState(const RewriteState& state);
    // The two flags alone, as a key grab and a synthetic paste.
    void setPermissionState(bool inputMonitoring, bool accessibility);
    // What the session offers; the two flags follow: a working shortcut, a replacement route.
    void setCapabilities(const SessionCapabilities& capabilities);
    // The user picked this combination (the editor, a suggested free one): it is kept from
    // now on, whatever the default becomes.
    void chooseShortcut(const QString& keyID, bool requiresShift);
    void setStatusError(const std::optional<QString>& message);
    void setNotice(UserNoticeStyle style, const QString& title, const QString& message);
    Q_INVOKABLE void clearNotice();
    void markFirstRunGuideShown();
    void applyServerConfig(const QList<Option>& tones, const QList<Option>& languages,
                           const QString& defaultTone, const QString& defaultLanguage);
    void resetToFallbackCatalog();
    RuntimeServer resolveRuntimeServer() const;
    QString effectiveSupabaseURL() const { return m_buildConfig.supabaseURL; }
    QString effectiveSupabaseAnonKey() const { return m_buildConfig.supabaseAnonKey; }
    QString effectiveProvider() const { return m_buildConfig.authProvider; }

signals:
    void launchAtLoginChanged();
    void toneIDChanged();
    void languageIDChanged();
    void soundOnCompletionChanged();
    void previewBeforeReplacingChanged();
    void shortcutKeyIDChanged();
    void shortcutRequiresShiftChanged();
    void authStateChanged();
    void rewriteStateChanged();
    void availableTonesChanged();
    void availableLanguagesChanged();
    void uiStatusChanged();
    void inputMonitoringGrantedChanged();
    void accessibilityGrantedChanged();
    void noticeChanged();
    void capabilitiesChanged();

    void selectedToneIDChanged();
    void selectedLanguageIDChanged();
    void currentToneTitleChanged();
    void currentLanguageTitleChanged();
    void selectedShortcutChanged();
    void shortcutDisplayChanged();
    void hasAllPermissionsChanged();
    void setupCompletedStepsChanged();
    void shouldShowFirstRunGuideChanged();

private:
    static QString normalizedSelection(const QString& value, const QList<Option>& options,
                                       const QString& fallback);
    void recomputeUIStatus();
    void applyCatalogs(const QList<Option>& tones, const QList<Option>& languages,
                       const QString& defaultTone, const QString& defaultLanguage);
    void assignAvailableTones(const QList<Option>& tones);
    void assignAvailableLanguages(const QList<Option>& languages);
    void toneInputsChanged();
    void languageInputsChanged();
    void shortcutInputsChanged();
    void permissionInputsChanged();
    void applyCapabilityFlags();

    QVariant inputMonitoringGrantedValue() const;
    QVariant accessibilityGrantedValue() const;
    bool hasNotice() const { return m_notice.has_value(); }
    UserNotice noticeValue() const { return m_notice.value_or(UserNotice{}); }

    UserPreferencesStore& m_store;
    const AppBuildConfig m_buildConfig;
    bool m_launchAtLogin = false;
    QString m_toneID;
    QString m_languageID;
    bool m_soundOnCompletion = true;
    bool m_previewBeforeReplacing = false;
    QString m_shortcutKeyID;
    bool m_shortcutRequiresShift = false;
    AuthState m_authState;
    RewriteState m_rewriteState;
    QList<Option> m_availableTones;
    QList<Option> m_availableLanguages;
    UIStatus m_uiStatus;
    std::optional<bool> m_inputMonitoringGranted;
    std::optional<bool> m_accessibilityGranted;
    std::optional<UserNotice> m_notice;
    SessionCapabilities m_capabilities;
    std::optional<QString> m_statusErrorMessage;
};

} // namespace velto
