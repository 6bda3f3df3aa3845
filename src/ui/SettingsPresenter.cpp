#include "ui/SettingsPresenter.h"

#include "model/AppModel.h"

namespace velto {

SettingsPresenter::SettingsPresenter(AppModel& model, QObject* parent)
    : QObject(parent), m_model(model)
{
    followModelChanges(
        model, this, [](QObject* self) { emit static_cast<SettingsPresenter*>(self)->changed(); });
}

const QList<SettingsPresenter::Section>& SettingsPresenter::sections()
{
    static const QList<Section> all = {
        {QStringLiteral("setup"), QStringLiteral("Setup"),
         QStringLiteral("Account and permissions"), QStringLiteral("checklist")},
        {QStringLiteral("app"), QStringLiteral("App"), QStringLiteral("Behavior and shortcut"),
         QStringLiteral("slider.horizontal.3")},
        {QStringLiteral("writing"), QStringLiteral("Writing"),
         QStringLiteral("Tone and language defaults"), QStringLiteral("text.quote")},
    };
    return all;
}

QString SettingsPresenter::headerChip(const AppModel& model)
{
    if (!model.hasAllPermissions())
        return QStringLiteral("Needs setup");
    if (!model.authState().isSignedIn())
        return QStringLiteral("Account required");
    return QStringLiteral("Ready");
}

QString SettingsPresenter::readinessLine(const AppModel& model)
{
    return QStringLiteral("%1 of %2 core steps complete")
        .arg(model.setupCompletedSteps())
        .arg(model.setupTotalSteps());
}

QList<SettingsPresenter::ReadinessLine> SettingsPresenter::readinessLines(const AppModel& model)
{
    return {
        {QStringLiteral("Permissions"),
         model.hasAllPermissions() ? QStringLiteral("Ready") : QStringLiteral("Needs setup")},
        {QStringLiteral("Account"), model.authState().isSignedIn()
                                        ? QStringLiteral("Connected")
                                        : QStringLiteral("Sign in required")},
        {QStringLiteral("Writing defaults"),
         model.currentToneTitle() + QStringLiteral(" • ") + model.currentLanguageTitle()},
    };
}

QString SettingsPresenter::workflowSentence(const AppModel& model)
{
    return QStringLiteral("Select text in any app, then press ") + model.shortcutDisplay() +
           QStringLiteral(" to rewrite it in place.");
}

QString SettingsPresenter::toneDescription(const QString& toneID)
{
    static const QList<std::pair<QString, QString>> descriptions = {
        {QStringLiteral("professional"),
         QStringLiteral("Clearer and more polished for clients and formal communication.")},
        {QStringLiteral("concise"), QStringLiteral("Removes filler and gets to the point faster.")},
        {QStringLiteral("creative"), QStringLiteral("Adds energy, vocabulary, and rhythm.")},
        {QStringLiteral("casual"), QStringLiteral("Looser, warmer, and more conversational.")},
        {QStringLiteral("persuasive"), QStringLiteral("More action-oriented and convincing.")},
    };
    for (const auto& [id, text] : descriptions) {
        if (id == toneID)
            return text;
    }
    return QStringLiteral("Makes the minimum necessary corrections.");
}

QString SettingsPresenter::currentDefaultLine(const AppModel& model)
{
    return QStringLiteral("Current default: ") + model.currentToneTitle() + QStringLiteral(" in ") +
           model.currentLanguageTitle();
}

QList<ChecklistRow> SettingsPresenter::checklist(const AppModel& model)
{
    const bool permissions = model.hasAllPermissions();
    const bool signedIn = model.authState().isSignedIn();
    const bool rewritten = model.rewriteState().kind() == RewriteState::Kind::succeeded;
    return {
        {QStringLiteral("Enable permissions"),
         permissions ? QStringLiteral("Input Monitoring and Accessibility are enabled.")
                     : QStringLiteral("Required for shortcut detection and text replacement."),
         permissions},
        {QStringLiteral("Connect your account"),
         signedIn ? QStringLiteral("Your rewrite service is ready.")
                  : QStringLiteral("Sign in once to unlock online rewriting."),
         signedIn},
        {QStringLiteral("Test one rewrite"),
         rewritten ? QStringLiteral("You have already completed a rewrite.")
                   : QStringLiteral("Select text and press ") + model.shortcutDisplay(),
         rewritten},
    };
}

SettingsPresenter::AccountCard SettingsPresenter::accountCard(const AppModel& model)
{
    switch (model.authState().kind()) {
    case AuthState::Kind::signedOut:
        return {QStringLiteral("Not connected"),
                {},
                QStringLiteral("Sign in"),
                true,
                false,
                PanelAction::signIn};
    case AuthState::Kind::signingIn:
        return {QStringLiteral("Signing in"),
                QStringLiteral("Browser handoff in progress"),
                QStringLiteral("Sign in"),
                false,
                false,
                PanelAction::none};
    case AuthState::Kind::signedIn:
        break;
    }
    return {QStringLiteral("Connected"), {}, QStringLiteral("Sign out"), true, true,
            PanelAction::signOut};
}

QList<SettingsPresenter::PermissionRow> SettingsPresenter::permissionRows(const AppModel& model)
{
    using P = PermissionRow::Permission;
    return {
        {P::inputMonitoring, QStringLiteral("Input Monitoring"),
         QStringLiteral("Required so Velto can listen for the global shortcut"),
         model.inputMonitoringGranted().value_or(false), QStringLiteral("Enable")},
        {P::accessibility, QStringLiteral("Accessibility"),
         QStringLiteral("Required so Velto can replace the selected text in other apps"),
         model.accessibilityGranted().value_or(false), QStringLiteral("Enable")},
    };
}

QVariantList SettingsPresenter::sectionsValue() const
{
    QVariantList list;
    for (const Section& section : sections())
        list.append(QVariantMap{{QStringLiteral("id"), section.id},
                                {QStringLiteral("title"), section.title},
                                {QStringLiteral("subtitle"), section.subtitle},
                                {QStringLiteral("symbol"), section.symbol}});
    return list;
}

QVariantList SettingsPresenter::readinessLinesValue() const
{
    QVariantList list;
    for (const ReadinessLine& line : readinessLines(m_model))
        list.append(QVariantMap{{QStringLiteral("label"), line.label},
                                {QStringLiteral("value"), line.value}});
    return list;
}

QString SettingsPresenter::toneDescriptionText() const
{
    return toneDescription(m_model.selectedToneID());
}

QVariantList SettingsPresenter::permissionRowsValue() const
{
    QVariantList list;
    for (const PermissionRow& row : permissionRows(m_model))
        list.append(QVariantMap{
            {QStringLiteral("id"), row.permission == PermissionRow::Permission::inputMonitoring
                                       ? QStringLiteral("inputMonitoring")
                                       : QStringLiteral("accessibility")},
            {QStringLiteral("title"), row.title},
            {QStringLiteral("subtitle"), row.subtitle},
            {QStringLiteral("granted"), row.granted},
            {QStringLiteral("buttonTitle"), row.buttonTitle}});
    return list;
}

} // namespace velto
