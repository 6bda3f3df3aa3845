#include "ui/QuickPanelPresenter.h"

#include "model/AppModel.h"

namespace velto {

using Kind = UIStatus::Kind;

QuickPanelPresenter::QuickPanelPresenter(AppModel& model, QObject* parent)
    : QObject(parent), m_model(model)
{
    followModelChanges(model, this, [](QObject* self) {
        emit static_cast<QuickPanelPresenter*>(self)->changed();
    });
}

QuickPanelPresenter::StatusSelection QuickPanelPresenter::statusSelection(const AppModel& model)
{
    if (model.authState().kind() == AuthState::Kind::signingIn)
        return {tr("Signing in..."), tr("Browser handoff in progress"), tr("Live"),
                StatusColor::orange};
    const UIStatus status = model.uiStatus();
    switch (status.kind()) {
    case Kind::ready:
        return {tr("Ready to rewrite"),
                tr("Select text in any app, then press %1").arg(model.shortcutDisplay()),
                tr("Online"), StatusColor::green};
    case Kind::signInRequired:
        return {tr("Connect your account"), tr("Sign in once to activate online rewriting"),
                tr("Account"), StatusColor::orange};
    case Kind::permissionRequired:
        if (model.shortcutTaken())
            return {tr("%1 is taken").arg(model.shortcutDisplay()), takenAdvice(model), tr("Setup"),
                    StatusColor::orange};
        return {tr("Complete setup"), capabilityLine(model), tr("Setup"), StatusColor::orange};
    case Kind::rewriting:
        return {tr("Rewriting selection"), tr("Replacing the current selection"), tr("Active"),
                StatusColor::white};
    case Kind::error:
        return {tr("Needs attention"), status.message(), tr("Issue"), StatusColor::red};
    }
    return {};
}

QuickPanelPresenter::MainButton QuickPanelPresenter::mainButton(const AppModel& model)
{
    switch (model.uiStatus().kind()) {
    case Kind::ready:
        return {QStringLiteral("sparkles"), tr("Rewrite Selection"),
                //: %1 is a tone such as "Professional", %2 a language such as "German"
                tr("Use %1 in %2").arg(model.currentToneTitle(), model.currentLanguageTitle()),
                PanelAction::rewrite, true};
    case Kind::signInRequired:
        return {QStringLiteral("person.badge.key"), tr("Sign In to Continue"),
                tr("Online rewrite requires an account"), PanelAction::signIn, true};
    case Kind::permissionRequired:
        // Only the shortcut is missing: the panel's own button still rewrites.
        if (model.accessibilityGranted() == true)
            return {QStringLiteral("sparkles"), tr("Rewrite Selection"),
                    tr("Works without the shortcut too"), PanelAction::rewrite, true};
        return {QStringLiteral("lock.open.display"), tr("Finish Setup First"),
                tr("Text replacement must work first"), PanelAction::openSettings, true};
    case Kind::rewriting:
        return {QStringLiteral("wand.and.stars.inverse"), tr("Rewriting..."),
                tr("Working on the selected text"), PanelAction::none, false};
    case Kind::error:
        return {QStringLiteral("arrow.clockwise"), tr("Try Rewrite Again"),
                tr("Fix the issue below, then retry"), PanelAction::rewrite, true};
    }
    return {};
}

QString QuickPanelPresenter::explanationLine(const AppModel& model)
{
    if (model.authState().kind() == AuthState::Kind::signingIn)
        return tr("Finish the browser handoff, then come back here.");
    if (!model.hasAllPermissions())
        return tr("Open Setup to see how the shortcut and text replacement work in this session.");
    if (model.authState().isSignedIn())
        return tr(
            "Velto rewrites the currently selected text and pastes the result back in place.");
    return tr("Use Settings to connect your account once.");
}

QuickPanelPresenter::MiddleBlock QuickPanelPresenter::middleBlock(const AppModel& model)
{
    if (model.notice())
        return MiddleBlock::Notice;
    if (!model.hasAllPermissions() || !model.authState().isSignedIn() ||
        model.rewriteState().kind() != RewriteState::Kind::succeeded)
        return MiddleBlock::SetupCard;
    return MiddleBlock::None;
}

QuickPanelPresenter::NoticeLook QuickPanelPresenter::noticeLook(UserNoticeStyle style)
{
    switch (style) {
    case UserNoticeStyle::info:
        return {QStringLiteral("info.circle.fill"), StatusColor::blue};
    case UserNoticeStyle::success:
        return {QStringLiteral("checkmark.circle.fill"), StatusColor::green};
    case UserNoticeStyle::warning:
        return {QStringLiteral("exclamationmark.triangle.fill"), StatusColor::orange};
    case UserNoticeStyle::error:
        return {QStringLiteral("xmark.octagon.fill"), StatusColor::red};
    }
    return {};
}

QList<ChecklistRow> QuickPanelPresenter::setupRows(const AppModel& model)
{
    const bool capabilities = model.hasAllPermissions();
    const bool signedIn = model.authState().isSignedIn();
    const bool rewritten = model.rewriteState().kind() == RewriteState::Kind::succeeded;
    return {
        {tr("Shortcut and text replacement"),
         capabilities ? tr("Both work in this session") : capabilityLine(model), capabilities},
        {tr("Account"),
         signedIn ? tr("Ready to rewrite") : tr("Sign in to use the rewrite service"), signedIn},
        {tr("First rewrite"),
         rewritten ? tr("You're ready to go")
                   : tr("Select text and press %1").arg(model.shortcutDisplay()),
         rewritten},
    };
}

QString QuickPanelPresenter::capabilityLine(const AppModel& model)
{
    const SessionCapabilities& capabilities = model.capabilities();
    if (model.shortcutTaken())
        return tr("%1 is taken").arg(model.shortcutDisplay());
    if (model.inputMonitoringGranted() == false) {
        if (capabilities.canAddDesktopShortcut)
            return tr("Add the shortcut to GNOME to rewrite with %1").arg(model.shortcutDisplay());
        if (!capabilities.shortcutProblem.isEmpty())
            return capabilities.shortcutProblem;
    }
    if (model.accessibilityGranted() == false && !capabilities.replacementProblem.isEmpty())
        return capabilities.replacementProblem;
    return tr("Check the global shortcut and text replacement");
}

QString QuickPanelPresenter::takenAdvice(const AppModel& model)
{
    if (const std::optional<ParsedShortcut> free = model.freeShortcut())
        return tr("Another program uses it. %1 is free.").arg(ShortcutKeys::display(*free));
    return tr("Another program uses it. Choose another shortcut in Settings.");
}

QString QuickPanelPresenter::setupProgressLine(const AppModel& model)
{
    //: %1 is how many of the setup steps are done
    return tr("Complete %1 of %n steps to make Velto feel instant.", nullptr,
              model.setupTotalSteps())
        .arg(model.setupCompletedSteps());
}

QuickPanelPresenter::SetupPrimary QuickPanelPresenter::setupPrimaryButton(const AppModel& model)
{
    const SessionCapabilities& capabilities = model.capabilities();
    if (model.shortcutTaken()) {
        if (const std::optional<ParsedShortcut> free = model.freeShortcut())
            return {tr("Use %1").arg(ShortcutKeys::display(*free)), PanelAction::useFreeShortcut};
        return {tr("Choose a Shortcut"), PanelAction::openSettings};
    }
    if (model.inputMonitoringGranted() == false) {
        if (capabilities.canAddDesktopShortcut)
            return {tr("Add the shortcut to GNOME"), PanelAction::addDesktopShortcut};
        return {tr("Shortcut Help"), PanelAction::openShortcutHelp};
    }
    if (model.accessibilityGranted() == false)
        return {tr("Text Replacement Help"), PanelAction::openReplacementHelp};
    if (!model.authState().isSignedIn())
        return {tr("Sign In"), PanelAction::signIn};
    return {tr("Try Your First Rewrite"), PanelAction::rewrite};
}

QuickPanelPresenter::AccountControl QuickPanelPresenter::accountControl(const AppModel& model)
{
    using K = AccountControl::Kind;
    const AuthState state = model.authState();
    switch (state.kind()) {
    case AuthState::Kind::signedOut:
        return {K::SignInButton, tr("Sign In"), {}, PanelAction::signIn};
    case AuthState::Kind::signingIn:
        return {K::Activity, {}, {}, PanelAction::none};
    case AuthState::Kind::signedIn:
        return {K::Account, state.email().value_or(tr("Connected")), tr("Click to sign out"),
                PanelAction::signOut};
    }
    return {};
}

bool QuickPanelPresenter::pulsing() const
{
    return m_model.uiStatus().kind() == Kind::rewriting;
}

QString QuickPanelPresenter::noticeTitle() const
{
    return m_model.notice() ? m_model.notice()->title : QString();
}

QString QuickPanelPresenter::noticeMessage() const
{
    return m_model.notice() ? m_model.notice()->message : QString();
}

QString QuickPanelPresenter::noticeSymbol() const
{
    return m_model.notice() ? noticeLook(m_model.notice()->style).symbol : QString();
}

QString QuickPanelPresenter::noticeColor() const
{
    return m_model.notice() ? colorName(noticeLook(m_model.notice()->style).color)
                            : colorName(StatusColor::blue);
}

QString QuickPanelPresenter::setupBadge() const
{
    return QStringLiteral("%1/%2")
        .arg(m_model.setupCompletedSteps())
        .arg(m_model.setupTotalSteps());
}

QVariantList QuickPanelPresenter::setupRowsValue() const
{
    return checklistValue(setupRows(m_model));
}

} // namespace velto
