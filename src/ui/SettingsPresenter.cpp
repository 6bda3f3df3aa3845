#include "ui/SettingsPresenter.h"

#include "model/AppModel.h"

namespace velto {

SettingsPresenter::SettingsPresenter(AppModel& model, QObject* parent)
    : QObject(parent), m_model(model)
{
    followModelChanges(
        model, this, [](QObject* self) { emit static_cast<SettingsPresenter*>(self)->changed(); });
}

QList<SettingsPresenter::Section> SettingsPresenter::sections()
{
    return {
        {QStringLiteral("setup"), tr("Setup"), tr("Account and capabilities"),
         QStringLiteral("checklist")},
        {QStringLiteral("app"), tr("App"), tr("Behavior and shortcut"),
         QStringLiteral("slider.horizontal.3")},
        {QStringLiteral("writing"), tr("Writing"), tr("Tone and language defaults"),
         QStringLiteral("text.quote")},
    };
}

QString SettingsPresenter::headerChip(const AppModel& model)
{
    if (!model.hasAllPermissions())
        return tr("Needs setup");
    if (!model.authState().isSignedIn())
        return tr("Account required");
    return tr("Ready");
}

bool SettingsPresenter::ready(const AppModel& model)
{
    return model.hasAllPermissions() && model.authState().isSignedIn();
}

QString SettingsPresenter::readinessLine(const AppModel& model)
{
    //: %1 is how many of the core setup steps are done
    return tr("%1 of %n core steps complete", nullptr, model.setupTotalSteps())
        .arg(model.setupCompletedSteps());
}

QList<SettingsPresenter::ReadinessLine> SettingsPresenter::readinessLines(const AppModel& model)
{
    return {
        {tr("Shortcut and text replacement"),
         model.hasAllPermissions() ? tr("Ready") : tr("Needs setup")},
        {tr("Account"), model.authState().isSignedIn() ? tr("Connected") : tr("Sign in required")},
        {tr("Writing defaults"),
         //: a tone and a language, such as "Professional • German"
         tr("%1 • %2").arg(model.currentToneTitle(), model.currentLanguageTitle())},
    };
}

QString SettingsPresenter::workflowSentence(const AppModel& model)
{
    return tr("Select text in any app, then press %1 to rewrite it in place.")
        .arg(model.shortcutDisplay());
}

QString SettingsPresenter::toneDescription(const QString& toneID)
{
    const QList<std::pair<QString, QString>> descriptions = {
        {QStringLiteral("professional"),
         tr("Clearer and more polished for clients and formal communication.")},
        {QStringLiteral("concise"), tr("Removes filler and gets to the point faster.")},
        {QStringLiteral("creative"), tr("Adds energy, vocabulary, and rhythm.")},
        {QStringLiteral("casual"), tr("Looser, warmer, and more conversational.")},
        {QStringLiteral("persuasive"), tr("More action-oriented and convincing.")},
    };
    for (const auto& [id, text] : descriptions) {
        if (id == toneID)
            return text;
    }
    return tr("Makes the minimum necessary corrections.");
}

QString SettingsPresenter::currentDefaultLine(const AppModel& model)
{
    //: %1 is a tone such as "Professional", %2 a language such as "German"
    return tr("Current default: %1 in %2")
        .arg(model.currentToneTitle(), model.currentLanguageTitle());
}

QList<ChecklistRow> SettingsPresenter::checklist(const AppModel& model)
{
    const bool capabilities = model.hasAllPermissions();
    const bool signedIn = model.authState().isSignedIn();
    const bool rewritten = model.rewriteState().kind() == RewriteState::Kind::succeeded;
    return {
        {tr("Check the shortcut and text replacement"),
         capabilities ? tr("Both work in this session.")
                      : tr("Needed to see the shortcut and to replace the selected text. See below "
                           "for what this session offers."),
         capabilities},
        {tr("Connect your account"),
         signedIn ? tr("Your rewrite service is ready.")
                  : tr("Sign in once to unlock online rewriting."),
         signedIn},
        {tr("Test one rewrite"),
         rewritten ? tr("You have already completed a rewrite.")
                   : tr("Select text and press %1").arg(model.shortcutDisplay()),
         rewritten},
    };
}

SettingsPresenter::AccountCard SettingsPresenter::accountCard(const AppModel& model)
{
    switch (model.authState().kind()) {
    case AuthState::Kind::signedOut:
        return {tr("Not connected"), {}, tr("Sign in"), true, false, PanelAction::signIn};
    case AuthState::Kind::signingIn:
        return {tr("Signing in"), tr("Browser handoff in progress"), tr("Sign in"), false, false,
                PanelAction::none};
    case AuthState::Kind::signedIn:
        break;
    }
    return {tr("Connected"), {}, tr("Sign out"), true, true, PanelAction::signOut};
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
    row.title = tr("Global shortcut");
    row.works = model.inputMonitoringGranted() == true;
    if (model.shortcutTaken()) {
        if (const std::optional<ParsedShortcut> free = model.freeShortcut()) {
            const QString freeShortcut = ShortcutKeys::display(*free);
            row.subtitle = tr("%1 is taken by another program or by the desktop. %2 is free.")
                               .arg(shortcut, freeShortcut);
            row.buttonTitle = tr("Use %1").arg(freeShortcut);
            row.action = PanelAction::useFreeShortcut;
        } else {
            row.subtitle = tr("%1 is taken by another program or by the desktop. Choose another "
                              "shortcut in the App section.")
                               .arg(shortcut);
        }
        return row;
    }
    switch (capabilities.shortcutRoute) {
    case GlobalShortcutRoute::keyGrab:
        row.subtitle =
            tr("Through a key grab on the X server: press %1 in any application.").arg(shortcut);
        break;
    case GlobalShortcutRoute::desktopPortal:
        row.subtitle =
            tr("Through the desktop's global shortcut portal: press %1 in any application.")
                .arg(shortcut);
        break;
    case GlobalShortcutRoute::desktopCustomShortcut:
        if (capabilities.ownsDesktopShortcut) {
            row.subtitle = tr("Through a GNOME custom shortcut that runs velto --trigger: press %1 "
                              "in any application.")
                               .arg(shortcut);
            row.buttonTitle = tr("Remove from GNOME");
            row.action = PanelAction::removeDesktopShortcut;
        } else {
            row.subtitle =
                tr("Through a shortcut in your desktop's settings that runs velto --trigger.");
        }
        break;
    case GlobalShortcutRoute::unavailable:
        if (capabilities.canAddDesktopShortcut) {
            row.subtitle = tr("GNOME has no global shortcut portal, but it can run velto --trigger "
                              "from a custom shortcut: Velto can add %1 there.")
                               .arg(shortcut);
            row.buttonTitle = tr("Add the shortcut to GNOME");
            row.action = PanelAction::addDesktopShortcut;
        } else {
            row.subtitle =
                //: %1 is why the session has no global shortcut, a full sentence
                tr("%1 Bind velto --trigger to a shortcut in your desktop's settings instead.")
                    .arg(capabilities.shortcutProblem.isEmpty() ? tr("Not checked yet.")
                                                                : capabilities.shortcutProblem);
            row.buttonTitle = tr("Open Help");
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
    row.title = tr("Text replacement");
    row.works = model.accessibilityGranted() == true;
    if (capabilities.accessibilityReplacement && capabilities.pasteReplacement) {
        row.subtitle = tr("Through the accessibility bus (AT-SPI) in applications that support it, "
                          "else a synthetic paste that gives your clipboard back.");
    } else if (capabilities.accessibilityReplacement) {
        row.subtitle =
            tr("Through the accessibility bus (AT-SPI), in applications that support it.");
    } else if (capabilities.pasteReplacement) {
        row.subtitle = tr("Through a synthetic paste; your clipboard is given back afterwards.");
    } else {
        row.subtitle = capabilities.replacementProblem.isEmpty() ? tr("Not checked yet.")
                                                                 : capabilities.replacementProblem;
        row.buttonTitle = tr("Open Help");
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
