#include "ui/QuickPanelPresenter.h"
#include "ModelStates.h"
#include "support/TestRegistry.h"
#include "ui/PopupPlacement.h"

#include <QMetaEnum>
#include <QTest>

using namespace velto;
using test::Auth;
using test::Capabilities;
using test::ModelState;
using test::Rewrite;
using test::row;
using test::sessionWith;
using P = QuickPanelPresenter;

Q_DECLARE_METATYPE(velto::PanelAction)
Q_DECLARE_METATYPE(velto::StatusColor)
Q_DECLARE_METATYPE(velto::SessionCapabilities)

namespace {

const ModelState ready{Auth::signedIn, Capabilities::both};
const ModelState signedOut{Auth::signedOut, Capabilities::both};

} // namespace

// What each part of the quick panel shows, and the action its button takes, by model state.
// Then where the panel opens.
class QuickPanelPresenterTest : public QObject
{
    Q_OBJECT

private slots:
    void theStatusNamesWhatMattersMost_data()
    {
        QTest::addColumn<ModelState>("state");
        QTest::addColumn<QString>("headline");
        QTest::addColumn<QString>("subline");
        QTest::addColumn<QString>("pill");
        QTest::addColumn<StatusColor>("color");
        row("signing in wins over missing capabilities",
            ModelState{Auth::signingIn, Capabilities::none}, "Signing in...",
            "Browser handoff in progress", "Live", StatusColor::orange);
        row("ready", ready, "Ready to rewrite", "Select text in any app, then press Super+Shift+L",
            "Online", StatusColor::green);
        row("sign-in required", signedOut, "Connect your account",
            "Sign in once to activate online rewriting", "Account", StatusColor::orange);
        row("a capability missing", ModelState{Auth::signedIn, Capabilities::shortcutOnly},
            "Complete setup", "Check the global shortcut and text replacement", "Setup",
            StatusColor::orange);
        row("rewriting", ModelState{ready.auth, ready.capabilities, Rewrite::running},
            "Rewriting selection", "Replacing the current selection", "Active", StatusColor::white);
        row("an error shows its text",
            ModelState{ready.auth, ready.capabilities, Rewrite::failed, "Server unreachable."},
            "Needs attention", "Server unreachable.", "Issue", StatusColor::red);
    }

    void theStatusNamesWhatMattersMost()
    {
        QFETCH(ModelState, state);
        const test::ModelStates m(state);
        const P::StatusSelection status = P::statusSelection(m.model);
        QTEST(status.headline, "headline");
        QTEST(status.subline, "subline");
        QTEST(status.pillLabel, "pill");
        QTEST(status.color, "color");
    }

    void theMainButtonActsOnTheState_data()
    {
        QTest::addColumn<ModelState>("state");
        QTest::addColumn<QString>("symbol");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("subtitle");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<PanelAction>("action");
        row("ready: rewrites", ready, "sparkles", "Rewrite Selection", "Use Default in Auto-detect",
            true, PanelAction::rewrite);
        row("signed out: signs in", signedOut, "person.badge.key", "Sign In to Continue",
            "Online rewrite requires an account", true, PanelAction::signIn);
        row("capabilities missing: opens the settings",
            ModelState{Auth::signedIn, Capabilities::none}, "lock.open.display",
            "Finish Setup First", "Text replacement must work first", true,
            PanelAction::openSettings);
        row("rewriting: disabled", ModelState{ready.auth, ready.capabilities, Rewrite::running},
            "wand.and.stars.inverse", "Rewriting...", "Working on the selected text", false,
            PanelAction::none);
        row("after an error: retries",
            ModelState{ready.auth, ready.capabilities, Rewrite::failed, "Boom."}, "arrow.clockwise",
            "Try Rewrite Again", "Fix the issue below, then retry", true, PanelAction::rewrite);
    }

    void theMainButtonActsOnTheState()
    {
        QFETCH(ModelState, state);
        const test::ModelStates m(state);
        const P::MainButton button = P::mainButton(m.model);
        QTEST(button.symbol, "symbol");
        QTEST(button.title, "title");
        QTEST(button.subtitle, "subtitle");
        QTEST(button.enabled, "enabled");
        QTEST(button.action, "action");
    }

    void theExplanationSaysWhatToDoNext_data()
    {
        QTest::addColumn<ModelState>("state");
        QTest::addColumn<QString>("line");
        const QString capabilities =
            "Open Setup to see how the shortcut and text replacement work in this session.";
        row("signing in", ModelState{Auth::signingIn, Capabilities::none},
            "Finish the browser handoff, then come back here.");
        row("a capability missing", ModelState{Auth::signedIn, Capabilities::shortcutOnly},
            capabilities);
        row("unchecked counts as missing", ModelState{Auth::signedIn}, capabilities);
        row("signed in", ready,
            "Velto rewrites the currently selected text and pastes the result back in place.");
        row("signed out", signedOut, "Use Settings to connect your account once.");
    }

    void theExplanationSaysWhatToDoNext()
    {
        QFETCH(ModelState, state);
        const test::ModelStates m(state);
        QTEST(P::explanationLine(m.model), "line");
    }

    // The setup card stays until setup is complete; a notice takes its place.
    void theMiddleShowsTheNoticeElseTheSetupCardUntilSetupIsDone_data()
    {
        QTest::addColumn<ModelState>("state");
        QTest::addColumn<bool>("notice");
        QTest::addColumn<P::MiddleBlock>("middle");
        const ModelState done{ready.auth, ready.capabilities, Rewrite::succeeded};
        row("capabilities missing",
            ModelState{Auth::signedIn, Capabilities::none, Rewrite::succeeded}, false,
            P::MiddleBlock::SetupCard);
        row("signed out", ModelState{signedOut.auth, signedOut.capabilities, Rewrite::succeeded},
            false, P::MiddleBlock::SetupCard);
        row("no rewrite yet", ready, false, P::MiddleBlock::SetupCard);
        row("all done: nothing", done, false, P::MiddleBlock::None);
        row("a notice wins", done, true, P::MiddleBlock::Notice);
    }

    void theMiddleShowsTheNoticeElseTheSetupCardUntilSetupIsDone()
    {
        QFETCH(ModelState, state);
        QFETCH(bool, notice);
        test::ModelStates m(state);
        if (notice)
            m.model.setNotice(UserNoticeStyle::info, "t", "m");
        // As the view reads it: the property the panel binds to.
        QTEST(P(m.model).property("middleBlock").value<P::MiddleBlock>(), "middle");
    }

    // Each step's sub-line, then the progress line and the button that takes the next step.
    void theSetupCardTicksDoneStepsAndOffersTheNext_data()
    {
        QTest::addColumn<ModelState>("state");
        QTest::addColumn<QStringList>("sublines");
        QTest::addColumn<QList<bool>>("complete");
        QTest::addColumn<QString>("progress");
        QTest::addColumn<QString>("button");
        QTest::addColumn<PanelAction>("action");
        const QString capabilities = "Check the global shortcut and text replacement";
        const QString both = "Both work in this session";
        const QString signIn = "Sign in to use the rewrite service";
        const QString tryIt = "Select text and press Super+Shift+L";
        row("fresh", ModelState{Auth::signedOut, Capabilities::none},
            QStringList{capabilities, signIn, tryIt}, QList<bool>{false, false, false},
            "Complete 0 of 3 steps to make Velto feel instant.", "Shortcut Help",
            PanelAction::openShortcutHelp);
        row("capabilities work", signedOut, QStringList{both, signIn, tryIt},
            QList<bool>{true, false, false}, "Complete 1 of 3 steps to make Velto feel instant.",
            "Sign In", PanelAction::signIn);
        row("signed in", ready, QStringList{both, "Ready to rewrite", tryIt},
            QList<bool>{true, true, false}, "Complete 2 of 3 steps to make Velto feel instant.",
            "Try Your First Rewrite", PanelAction::rewrite);
        row("rewrite done, signed out again",
            ModelState{signedOut.auth, signedOut.capabilities, Rewrite::succeeded},
            QStringList{both, signIn, "You're ready to go"}, QList<bool>{true, false, true},
            "Complete 2 of 3 steps to make Velto feel instant.", "Sign In", PanelAction::signIn);
    }

    void theSetupCardTicksDoneStepsAndOffersTheNext()
    {
        QFETCH(ModelState, state);
        const test::ModelStates m(state);
        QStringList titles, sublines;
        QList<bool> complete;
        for (const ChecklistRow& line : P::setupRows(m.model)) {
            titles << line.title;
            sublines << line.subtitle;
            complete << line.complete;
        }
        QCOMPARE(titles,
                 (QStringList{"Shortcut and text replacement", "Account", "First rewrite"}));
        QTEST(sublines, "sublines");
        QTEST(complete, "complete");
        QTEST(P::setupProgressLine(m.model), "progress");
        const P::SetupPrimary button = P::setupPrimaryButton(m.model);
        QTEST(button.title, "button");
        QTEST(button.action, "action");
    }

    void eachNoticeStyleHasItsSymbolAndColour()
    {
        QStringList symbols;
        QList<StatusColor> colors;
        for (const auto style : {UserNoticeStyle::info, UserNoticeStyle::success,
                                 UserNoticeStyle::warning, UserNoticeStyle::error}) {
            symbols << P::noticeLook(style).symbol;
            colors << P::noticeLook(style).color;
        }
        QCOMPARE(symbols, (QStringList{"info.circle.fill", "checkmark.circle.fill",
                                       "exclamationmark.triangle.fill", "xmark.octagon.fill"}));
        QCOMPARE(colors, (QList<StatusColor>{StatusColor::blue, StatusColor::green,
                                             StatusColor::orange, StatusColor::red}));
    }

    // What stands beside the settings button: its kind, label, tooltip and action.
    void theAccountControlFollowsTheSession_data()
    {
        QTest::addColumn<ModelState>("state");
        QTest::addColumn<P::AccountKind>("kind");
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("tooltip");
        QTest::addColumn<PanelAction>("action");
        row("signed out", signedOut, P::AccountKind::SignInButton, "Sign In", "",
            PanelAction::signIn);
        row("signing in", ModelState{Auth::signingIn, Capabilities::both}, P::AccountKind::Activity,
            "", "", PanelAction::none);
        row("signed in", ready, P::AccountKind::Account, "ada@example.test", "Click to sign out",
            PanelAction::signOut);
        row("no address: Connected", ModelState{Auth::signedInWithoutEmail, Capabilities::both},
            P::AccountKind::Account, "Connected", "Click to sign out", PanelAction::signOut);
    }

    void theAccountControlFollowsTheSession()
    {
        QFETCH(ModelState, state);
        test::ModelStates m(state);
        QTEST(P(m.model).property("accountKind").value<P::AccountKind>(), "kind");
        const P::AccountControl control = P::accountControl(m.model);
        QTEST(control.label, "label");
        QTEST(control.tooltip, "tooltip");
        QTEST(control.action, "action");
    }

    void popupPlacement_data()
    {
        QTest::addColumn<QRect>("tray");
        QTest::addColumn<QPoint>("pointer");
        QTest::addColumn<QPoint>("position");
        row("centred under the icon", QRect(600, 0, 24, 24), QPoint(), QPoint(611 - 184, 28));
        row("kept inside on the right", QRect(1256, 0, 24, 24), QPoint(), QPoint(1280 - 368, 28));
        row("above a bottom tray", QRect(1256, 1000, 24, 24), QPoint(),
            QPoint(1280 - 368, 1000 - 4 - 600));
        row("no geometry: at the pointer", QRect(), QPoint(10, 10), QPoint(0, 15));
    }

    void popupPlacement()
    {
        QFETCH(QRect, tray);
        QFETCH(QPoint, pointer);
        QTEST(popupPosition(QSize(368, 600), tray, pointer, QRect(0, 0, 1280, 1024)), "position");
    }

    // The header, main button, first setup step and setup button for what the session offers.
    void capabilityStatesSayWhatToDo_data()
    {
        using R = GlobalShortcutRoute;
        using SC = SessionCapabilities;
        QTest::addColumn<SessionCapabilities>("session");
        QTest::addColumn<QString>("headline");
        QTest::addColumn<QString>("subline");
        QTest::addColumn<QString>("mainTitle");
        QTest::addColumn<QString>("mainSubtitle");
        QTest::addColumn<PanelAction>("mainAction");
        QTest::addColumn<QString>("firstStep");
        QTest::addColumn<QString>("setupButton");
        QTest::addColumn<PanelAction>("setupAction");
        const QString anyway = "Works without the shortcut too";
        row("grab taken",
            sessionWith(R::keyGrab, {&SC::shortcutTaken, &SC::accessibilityReplacement}),
            "Super+Shift+L is taken", "Another program uses it. Super+Shift+A is free.",
            "Rewrite Selection", anyway, PanelAction::rewrite, "Super+Shift+L is taken",
            "Use Super+Shift+A", PanelAction::useFreeShortcut);
        const QString addToGnome = "Add the shortcut to GNOME to rewrite with Super+Shift+L";
        row("gnome without portal",
            sessionWith(R::unavailable,
                        {&SC::canAddDesktopShortcut, &SC::accessibilityReplacement}),
            "Complete setup", addToGnome, "Rewrite Selection", anyway, PanelAction::rewrite,
            addToGnome, "Add the shortcut to GNOME", PanelAction::addDesktopShortcut);
        row("no portal elsewhere", sessionWith(R::unavailable, {&SC::accessibilityReplacement}),
            "Complete setup", "No portal.", "Rewrite Selection", anyway, PanelAction::rewrite,
            "No portal.", "Shortcut Help", PanelAction::openShortcutHelp);
        row("no replacement", sessionWith(R::desktopPortal, {}), "Complete setup", "No route.",
            "Finish Setup First", "Text replacement must work first", PanelAction::openSettings,
            "No route.", "Text Replacement Help", PanelAction::openReplacementHelp);
    }

    void capabilityStatesSayWhatToDo()
    {
        QFETCH(SessionCapabilities, session);
        test::ModelStates m(ready);
        if (session.shortcutRoute == GlobalShortcutRoute::unavailable)
            session.shortcutProblem = "No portal.";
        if (!session.replacementWorks())
            session.replacementProblem = "No route.";
        m.model.setCapabilities(session);
        const P::StatusSelection status = P::statusSelection(m.model);
        QTEST(status.headline, "headline");
        QTEST(status.subline, "subline");
        const P::MainButton main = P::mainButton(m.model);
        QTEST(main.title, "mainTitle");
        QTEST(main.subtitle, "mainSubtitle");
        QTEST(main.action, "mainAction");
        QTEST(P::setupRows(m.model).first().subtitle, "firstStep");
        const P::SetupPrimary button = P::setupPrimaryButton(m.model);
        QTEST(button.title, "setupButton");
        QTEST(button.action, "setupAction");
    }
};

VELTO_REGISTER_TEST(QuickPanelPresenterTest);
#include "QuickPanelPresenterTest.moc"
