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
         QStringLiteral("Account and capabilities"), QStringLiteral("checklist")},
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

bool SettingsPresenter::ready(const AppModel& model)
{
    return model.hasAllPermissions() && model.authState().isSignedIn();
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
        {QStringLiteral("Shortcut and text replacement"),
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
    return QStringLiteral("Select text in any app, then press %1 to rewrite it in place.")
        .arg(model.shortcutDisplay());
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
    const bool capabilities = model.hasAllPermissions();
    const bool signedIn = model.authState().isSignedIn();
    const bool rewritten = model.rewriteState().kind() == RewriteState::Kind::succeeded;
    return {
        {QStringLiteral("Check the shortcut and text replacement"),
         capabilities ? QStringLiteral("Both work in this session.")
                      : QStringLiteral("Needed to see the shortcut and to replace the selected "
                                       "text. See below for what this session offers."),
         capabilities},
        {QStringLiteral("Connect your account"),
         signedIn ? QStringLiteral("Your rewrite service is ready.")
                  : QStringLiteral("Sign in once to unlock online rewriting."),
         signedIn},
        {QStringLiteral("Test one rewrite"),
         rewritten ? QStringLiteral("You have already completed a rewrite.")
                   : QStringLiteral("Select text and press %1").arg(model.shortcutDisplay()),
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

QList<SettingsPresenter::CapabilityRow> SettingsPresenter::capabilityRows(const AppModel& model)
{
    return {shortcutRow(model), replacementRow(model)};
}

SettingsPresenter::CapabilityRow SettingsPresenter::shortcutRow(const AppModel& model)
{
    const SessionCapabilities& capabilities = model.capabilities();
    const QString shortcut = model.shortcutDisplay();
    CapabilityRow row;
    row.capability = Capability::GlobalShortcut;
    row.title = QStringLiteral("Global shortcut");
    row.works = model.inputMonitoringGranted() == true;
    if (model.shortcutTaken()) {
        if (const std::optional<ParsedShortcut> free = model.freeShortcut()) {
            const QString freeShortcut = ShortcutKeys::display(*free);
            row.subtitle = QStringLiteral("%1 is taken by another program or by the desktop. %2 "
                                          "is free.")
                               .arg(shortcut, freeShortcut);
            row.buttonTitle = QStringLiteral("Use %1").arg(freeShortcut);
            row.action = PanelAction::useFreeShortcut;
        } else {
            row.subtitle = QStringLiteral("%1 is taken by another program or by the desktop. "
                                          "Choose another shortcut in the App section.")
                               .arg(shortcut);
        }
        return row;
    }
    switch (capabilities.shortcutRoute) {
    case GlobalShortcutRoute::keyGrab:
        row.subtitle =
            QStringLiteral("Through a key grab on the X server: press %1 in any application.")
                .arg(shortcut);
        break;
    case GlobalShortcutRoute::desktopPortal:
        row.subtitle = QStringLiteral("Through the desktop's global shortcut portal: press %1 in "
                                      "any application.")
                           .arg(shortcut);
        break;
    case GlobalShortcutRoute::desktopCustomShortcut:
        if (capabilities.ownsDesktopShortcut) {
            row.subtitle = QStringLiteral("Through a GNOME custom shortcut that runs velto "
                                          "--trigger: press %1 in any application.")
                               .arg(shortcut);
            row.buttonTitle = QStringLiteral("Remove from GNOME");
            row.action = PanelAction::removeDesktopShortcut;
        } else {
            row.subtitle = QStringLiteral(
                "Through a shortcut in your desktop's settings that runs velto --trigger.");
        }
        break;
    case GlobalShortcutRoute::unavailable:
        if (capabilities.canAddDesktopShortcut) {
            row.subtitle = QStringLiteral("GNOME has no global shortcut portal, but it can run "
                                          "velto --trigger from a custom shortcut: Velto can add "
                                          "%1 there.")
                               .arg(shortcut);
            row.buttonTitle = QStringLiteral("Add the shortcut to GNOME");
            row.action = PanelAction::addDesktopShortcut;
        } else {
            row.subtitle =
                QStringLiteral("%1 Bind velto --trigger to a shortcut in your "
                               "desktop's settings instead.")
                    .arg(capabilities.shortcutProblem.isEmpty() ? QStringLiteral("Not checked yet.")
                                                                : capabilities.shortcutProblem);
            row.buttonTitle = QStringLiteral("Open Help");
            row.action = PanelAction::openShortcutHelp;
        }
        break;
    }
    return row;
}

SettingsPresenter::CapabilityRow SettingsPresenter::replacementRow(const AppModel& model)
{
    const SessionCapabilities& capabilities = model.capabilities();
    CapabilityRow row;
    row.capability = Capability::TextReplacement;
    row.title = QStringLiteral("Text replacement");
    row.works = model.accessibilityGranted() == true;
    if (capabilities.accessibilityReplacement && capabilities.pasteReplacement) {
        row.subtitle = QStringLiteral("Through the accessibility bus (AT-SPI) in applications "
                                      "that support it, else a synthetic paste that gives your "
                                      "clipboard back.");
    } else if (capabilities.accessibilityReplacement) {
        row.subtitle = QStringLiteral(
            "Through the accessibility bus (AT-SPI), in applications that support it.");
    } else if (capabilities.pasteReplacement) {
        row.subtitle =
            QStringLiteral("Through a synthetic paste; your clipboard is given back afterwards.");
    } else {
        row.subtitle = capabilities.replacementProblem.isEmpty()
                           ? QStringLiteral("Not checked yet.")
                           : capabilities.replacementProblem;
        row.buttonTitle = QStringLiteral("Open Help");
        row.action = PanelAction::openReplacementHelp;
    }
    return row;
}

namespace {

QVariantMap sectionMap(const SettingsPresenter::Section& section)
{
    return {{QStringLiteral("id"), section.id},
            {QStringLiteral("title"), section.title},
            {QStringLiteral("subtitle"), section.subtitle},
            {QStringLiteral("symbol"), section.symbol}};
}

} // namespace

QVariantList SettingsPresenter::sectionsValue() const
{
    QVariantList list;
    for (const Section& section : sections())
        list.append(sectionMap(section));
    return list;
}

QVariantMap SettingsPresenter::sectionValue(const QString& id) const
{
    for (const Section& section : sections())
        if (section.id == id)
            return sectionMap(section);
    return sectionMap(sections().constFirst());
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

QVariantList SettingsPresenter::capabilityRowsValue() const
{
    QVariantList list;
    for (const CapabilityRow& row : capabilityRows(m_model))
        list.append(QVariantMap{
            // The id names the row's items for tests and tools; the capability is what a press
            // hands back.
            {QStringLiteral("id"), row.capability == Capability::GlobalShortcut
                                       ? QStringLiteral("globalShortcut")
                                       : QStringLiteral("textReplacement")},
            {QStringLiteral("capability"), QVariant::fromValue(row.capability)},
            {QStringLiteral("title"), row.title},
            {QStringLiteral("subtitle"), row.subtitle},
            {QStringLiteral("works"), row.works},
            {QStringLiteral("buttonTitle"), row.buttonTitle}});
    return list;
}

} // namespace velto
