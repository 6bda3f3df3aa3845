#include "ui/QuickPanelPresenter.h"
#include "ModelStates.h"
#include "support/TestRegistry.h"
#include "ui/PopupPlacement.h"

#include <QTest>

using namespace velto;
using test::row;
using P = QuickPanelPresenter;

Q_DECLARE_METATYPE(velto::PanelAction)

// One test a table of the panel: a row names a model state (see test::ModelStates) and what
// the panel shows in it. Then where the panel opens.
class QuickPanelPresenterTest : public QObject
{
    Q_OBJECT

private slots:
    void statusSelection_data()
    {
        QTest::addColumn<QString>("state");
        QTest::addColumn<QStringList>("shown");
        row("signing in wins over any status", "signing none idle",
            QStringList{"Signing in...", "Browser handoff in progress", "Live", "orange"});
        row("ready", "in both idle",
            QStringList{"Ready to rewrite", "Select text in any app, then press Super+L", "Online",
                        "green"});
        row("sign-in required", "out both idle",
            QStringList{"Connect your account", "Sign in once to activate online rewriting",
                        "Account", "orange"});
        row("permission required", "in input-only idle",
            QStringList{"Complete setup", "Enable Input Monitoring and Accessibility", "Setup",
                        "orange"});
        row("rewriting", "in both running",
            QStringList{"Rewriting selection", "Replacing the current selection", "Active",
                        "white"});
        row("error shows its text", "in both failed: Server unreachable.",
            QStringList{"Needs attention", "Server unreachable.", "Issue", "red"});
    }

    void statusSelection()
    {
        QFETCH(QString, state);
        const P::StatusSelection s = P::statusSelection(test::ModelStates(state).model);
        QTEST((QStringList{s.headline, s.subline, s.pillLabel, colorName(s.color)}), "shown");
    }

    void mainButton_data()
    {
        QTest::addColumn<QString>("state");
        QTest::addColumn<PanelAction>("action");
        QTest::addColumn<QStringList>("shown");
        row("ready", "in both idle", PanelAction::rewrite,
            QStringList{"sparkles", "Rewrite Selection", "Use Default in Auto-detect", "enabled"});
        row("sign-in required", "out both idle", PanelAction::signIn,
            QStringList{"person.badge.key", "Sign In to Continue",
                        "Online rewrite requires an account", "enabled"});
        row("permission required", "in none idle", PanelAction::openSettings,
            QStringList{"lock.open.display", "Finish Setup First",
                        "Permissions must be enabled first", "enabled"});
        row("rewriting disables it", "in both running", PanelAction::none,
            QStringList{"wand.and.stars.inverse", "Rewriting...", "Working on the selected text",
                        "disabled"});
        row("error retries", "in both failed: Boom.", PanelAction::rewrite,
            QStringList{"arrow.clockwise", "Try Rewrite Again", "Fix the issue below, then retry",
                        "enabled"});
    }

    void mainButton()
    {
        QFETCH(QString, state);
        const P::MainButton b = P::mainButton(test::ModelStates(state).model);
        QTEST((QStringList{b.symbol, b.title, b.subtitle, b.enabled ? "enabled" : "disabled"}),
              "shown");
        QTEST(b.action, "action");
    }

    void explanationLine_data()
    {
        QTest::addColumn<QString>("state");
        QTest::addColumn<QString>("line");
        const char* permissions = "Open Setup and enable the two required permissions.";
        row("signing in first", "signing none idle",
            "Finish the browser handoff, then come back here.");
        row("permissions missing", "in input-only idle", permissions);
        row("unchecked counts as missing", "in unchecked idle", permissions);
        row("signed in", "in both idle",
            "Velto rewrites the currently selected text and pastes the result back in place.");
        row("signed out", "out both idle", "Use Settings to connect your account once.");
    }

    void explanationLine()
    {
        QFETCH(QString, state);
        QTEST(P::explanationLine(test::ModelStates(state).model), "line");
    }

    void middleBlock_data()
    {
        QTest::addColumn<QString>("state");
        QTest::addColumn<bool>("notice");
        QTest::addColumn<QString>("block");
        row("a notice wins", "in both succeeded", true, "notice");
        row("setup incomplete: permissions", "in none succeeded", false, "setup");
        row("setup incomplete: account", "out both succeeded", false, "setup");
        row("setup incomplete: no rewrite yet", "in both idle", false, "setup");
        row("all done: nothing", "in both succeeded", false, "none");
    }

    void middleBlock()
    {
        QFETCH(QString, state);
        QFETCH(bool, notice);
        test::ModelStates m(state);
        if (notice)
            m.model.setNotice(UserNoticeStyle::info, "t", "m");
        QTEST(P(m.model).middleBlockName(), "block");
    }

    void noticeLook_data()
    {
        QTest::addColumn<UserNoticeStyle>("style");
        QTest::addColumn<QStringList>("shown");
        row("info", UserNoticeStyle::info, QStringList{"info.circle.fill", "blue"});
        row("success", UserNoticeStyle::success, QStringList{"checkmark.circle.fill", "green"});
        row("warning", UserNoticeStyle::warning,
            QStringList{"exclamationmark.triangle.fill", "orange"});
        row("error", UserNoticeStyle::error, QStringList{"xmark.octagon.fill", "red"});
    }

    void noticeLook()
    {
        QFETCH(UserNoticeStyle, style);
        const P::NoticeLook look = P::noticeLook(style);
        QTEST((QStringList{look.symbol, colorName(look.color)}), "shown");
    }

    // The shown lines: a sub-line per step, ticked "✓ " when complete, then the progress line
    // and the primary button.
    void setupCard_data()
    {
        QTest::addColumn<QString>("state");
        QTest::addColumn<PanelAction>("action");
        QTest::addColumn<QStringList>("shown");
        row("fresh", "out none idle", PanelAction::openSettings,
            QStringList{"Enable both permissions", "Sign in to use the rewrite service",
                        "Select text and press Super+L",
                        "Complete 0 of 3 steps to make Velto feel instant.", "Enable Permissions"});
        row("permissions granted", "out both idle", PanelAction::signIn,
            QStringList{"✓ Input Monitoring and Accessibility enabled",
                        "Sign in to use the rewrite service", "Select text and press Super+L",
                        "Complete 1 of 3 steps to make Velto feel instant.", "Sign In"});
        row("signed in", "in both idle", PanelAction::rewrite,
            QStringList{"✓ Input Monitoring and Accessibility enabled", "✓ Ready to rewrite",
                        "Select text and press Super+L",
                        "Complete 2 of 3 steps to make Velto feel instant.",
                        "Try Your First Rewrite"});
        row("rewrite done, signed out again", "out both succeeded", PanelAction::signIn,
            QStringList{"✓ Input Monitoring and Accessibility enabled",
                        "Sign in to use the rewrite service", "✓ You're ready to go",
                        "Complete 2 of 3 steps to make Velto feel instant.", "Sign In"});
    }

    void setupCard()
    {
        QFETCH(QString, state);
        test::ModelStates m(state);
        QStringList shown;
        QStringList titles;
        for (const ChecklistRow& line : P::setupRows(m.model)) {
            titles << line.title;
            shown << (line.complete ? "✓ " : "") + line.subtitle;
        }
        QCOMPARE(titles, (QStringList{"Permissions", "Account", "First rewrite"}));
        shown << P::setupProgressLine(m.model) << P::setupPrimaryButton(m.model).title;
        QTEST(shown, "shown");
        QTEST(P::setupPrimaryButton(m.model).action, "action");
    }

    // The shown lines: the control's kind, its label and its tooltip.
    void accountControl_data()
    {
        QTest::addColumn<QString>("state");
        QTest::addColumn<PanelAction>("action");
        QTest::addColumn<QStringList>("shown");
        row("signed out", "out both idle", PanelAction::signIn,
            QStringList{"signIn", "Sign In", ""});
        row("signing in", "signing both idle", PanelAction::none, QStringList{"activity", "", ""});
        row("signed in", "in both idle", PanelAction::signOut,
            QStringList{"account", "ada@example.test", "Click to sign out"});
        row("no address: Connected", "in-noemail both idle", PanelAction::signOut,
            QStringList{"account", "Connected", "Click to sign out"});
    }

    void accountControl()
    {
        QFETCH(QString, state);
        test::ModelStates m(state);
        const P::AccountControl control = P::accountControl(m.model);
        QTEST((QStringList{P(m.model).accountKind(), control.label, control.tooltip}), "shown");
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
};

VELTO_REGISTER_TEST(QuickPanelPresenterTest);
#include "QuickPanelPresenterTest.moc"
