#include "ui/QuickPanelPresenter.h"
#include "ModelStates.h"
#include "support/TestRegistry.h"
#include "ui/PopupPlacement.h"

#include <QMetaEnum>
#include <QTest>

using namespace velto;
using test::list;
using test::row;
using P = QuickPanelPresenter;

// One table of the panel's parts: a row, named "part: case", gives a model state (see
// test::ModelStates) and what the part shows in it, ending in the action its button takes.
// Then where the panel opens.
class QuickPanelPresenterTest : public QObject
{
    Q_OBJECT

    // PanelAction's values by name, in its order.
    const QStringList action{"none",
                             "rewrite",
                             "openSettings",
                             "signIn",
                             "signOut",
                             "useFreeShortcut",
                             "addDesktopShortcut",
                             "removeDesktopShortcut",
                             "openShortcutHelp",
                             "openReplacementHelp"};

private slots:
    void parts_data()
    {
        QTest::addColumn<QString>("state");
        QTest::addColumn<QStringList>("shown");
        row("status: signing in wins", "signing none idle",
            list("Signing in...|Browser handoff in progress|Live|orange"));
        row("status: ready", "in both idle",
            list("Ready to rewrite|Select text in any app, then press Super+Shift+L|Online|green"));
        row("status: sign-in required", "out both idle",
            list("Connect your account|Sign in once to activate online rewriting|Account|orange"));
        row("status: permission required", "in input-only idle",
            list("Complete setup|Check the global shortcut and text replacement|Setup|orange"));
        row("status: rewriting", "in both running",
            list("Rewriting selection|Replacing the current selection|Active|white"));
        row("status: error shows its text", "in both failed: Server unreachable.",
            list("Needs attention|Server unreachable.|Issue|red"));

        row("main: ready", "in both idle",
            list("sparkles|Rewrite Selection|Use Default in Auto-detect|enabled|rewrite"));
        row("main: sign-in required", "out both idle",
            list("person.badge.key|Sign In to Continue|Online rewrite requires an "
                 "account|enabled|signIn"));
        row("main: permission required", "in none idle",
            list("lock.open.display|Finish Setup First|Text replacement must work "
                 "first|enabled|openSettings"));
        row("main: rewriting disables it", "in both running",
            list("wand.and.stars.inverse|Rewriting...|Working on the selected text|disabled|none"));
        row("main: error retries", "in both failed: Boom.",
            list("arrow.clockwise|Try Rewrite Again|Fix the issue below, then "
                 "retry|enabled|rewrite"));

        const char* permissions =
            "Open Setup to see how the shortcut and text replacement work in this session.";
        row("explanation: signing in first", "signing none idle",
            list("Finish the browser handoff, then come back here."));
        row("explanation: permissions missing", "in input-only idle", list(permissions));
        row("explanation: unchecked counts as missing", "in unchecked idle", list(permissions));
        row("explanation: signed in", "in both idle",
            list(
                "Velto rewrites the currently selected text and pastes the result back in place."));
        row("explanation: signed out", "out both idle",
            list("Use Settings to connect your account once."));

        row("middle: setup incomplete, permissions", "in none succeeded", list("SetupCard"));
        row("middle: setup incomplete, account", "out both succeeded", list("SetupCard"));
        row("middle: setup incomplete, no rewrite yet", "in both idle", list("SetupCard"));
        row("middle: all done, nothing", "in both succeeded", list("None"));
        row("middle with a notice: the notice wins", "in both succeeded", list("Notice"));

        // A sub-line per step, ticked "✓ " when complete, then the progress line and the button.
        row("setup: fresh", "out none idle",
            list("Check the global shortcut and text replacement|Sign in to use the rewrite "
                 "service|Select text and press Super+Shift+L|Complete 0 of 3 steps to make Velto "
                 "feel instant.|Shortcut Help|openShortcutHelp"));
        row("setup: permissions granted", "out both idle",
            list("✓ Both work in this session|Sign in to use the rewrite service|Select text and "
                 "press Super+Shift+L|Complete 1 of 3 steps to make Velto feel instant.|Sign "
                 "In|signIn"));
        row("setup: signed in", "in both idle",
            list("✓ Both work in this session|✓ Ready to rewrite|Select text and press "
                 "Super+Shift+L|Complete 2 of 3 steps to make Velto feel instant.|Try Your First "
                 "Rewrite|rewrite"));
        row("setup: rewrite done, signed out again", "out both succeeded",
            list("✓ Both work in this session|Sign in to use the rewrite "
                 "service|✓ You're ready to go|Complete 2 of 3 steps to make Velto feel "
                 "instant.|Sign In|signIn"));

        // The symbol and colour of an info, success, warning and error notice, whatever the state.
        row("notice: looks", "in both idle",
            list("info.circle.fill blue|checkmark.circle.fill green|exclamationmark.triangle.fill "
                 "orange|xmark.octagon.fill red"));
        // The control's kind, its label and its tooltip.
        row("account: signed out", "out both idle", list("SignInButton|Sign In||signIn"));
        row("account: signing in", "signing both idle", list("Activity|||none"));
        row("account: signed in", "in both idle",
            list("Account|ada@example.test|Click to sign out|signOut"));
        row("account: no address, Connected", "in-noemail both idle",
            list("Account|Connected|Click to sign out|signOut"));
    }

    void parts()
    {
        QFETCH(QString, state);
        test::ModelStates m(state);
        const QString part = QString(QTest::currentDataTag()).section(':', 0, 0);
        QStringList shown;
        if (part == "status") {
            const P::StatusSelection s = P::statusSelection(m.model);
            shown = {s.headline, s.subline, s.pillLabel, colorName(s.color)};
        } else if (part == "main") {
            const P::MainButton b = P::mainButton(m.model);
            shown = {b.symbol, b.title, b.subtitle, b.enabled ? "enabled" : "disabled",
                     action.value(int(b.action))};
        } else if (part == "explanation") {
            shown = {P::explanationLine(m.model)};
        } else if (part.startsWith("middle")) {
            if (part.endsWith("notice"))
                m.model.setNotice(UserNoticeStyle::info, "t", "m");
            // As the view reads it: the property the panel binds to.
            shown = {QMetaEnum::fromType<P::MiddleBlock>().valueToKey(
                int(P(m.model).property("middleBlock").value<P::MiddleBlock>()))};
        } else if (part == "setup") {
            QStringList titles;
            for (const ChecklistRow& line : P::setupRows(m.model)) {
                titles << line.title;
                shown << (line.complete ? "✓ " : "") + line.subtitle;
            }
            QCOMPARE(titles,
                     (QStringList{"Shortcut and text replacement", "Account", "First rewrite"}));
            const P::SetupPrimary button = P::setupPrimaryButton(m.model);
            shown << P::setupProgressLine(m.model) << button.title
                  << action.value(int(button.action));
        } else if (part == "notice") {
            for (const auto style : {UserNoticeStyle::info, UserNoticeStyle::success,
                                     UserNoticeStyle::warning, UserNoticeStyle::error})
                shown << P::noticeLook(style).symbol + ' ' + colorName(P::noticeLook(style).color);
        } else if (part == "account") {
            const P::AccountControl c = P::accountControl(m.model);
            shown = {QMetaEnum::fromType<P::AccountKind>().valueToKey(
                         int(P(m.model).property("accountKind").value<P::AccountKind>())),
                     c.label, c.tooltip, action.value(int(c.action))};
        }
        QTEST(shown, "shown");
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

    // The header, main button, setup line and setup button for what the session offers.
    void capabilityStatesSayWhatToDo()
    {
        struct Row
        {
            const char* name;
            GlobalShortcutRoute route;
            bool taken;
            bool canAdd;
            bool replacement;
            QStringList header; // headline, sub-line
            QStringList main;   // title, subtitle, action
            QStringList setup;  // first step's sub-line, button, action
        };
        using R = GlobalShortcutRoute;
        const Row rows[] = {
            {"grab taken",
             R::keyGrab,
             true,
             false,
             true,
             {"Super+Shift+L is taken", "Another program uses it. Super+Shift+A is free."},
             {"Rewrite Selection", "Works without the shortcut too", "rewrite"},
             {"Super+Shift+L is taken", "Use Super+Shift+A", "useFreeShortcut"}},
            {"gnome without portal",
             R::unavailable,
             false,
             true,
             true,
             {"Complete setup", "Add the shortcut to GNOME to rewrite with Super+Shift+L"},
             {"Rewrite Selection", "Works without the shortcut too", "rewrite"},
             {"Add the shortcut to GNOME to rewrite with Super+Shift+L",
              "Add the shortcut to GNOME", "addDesktopShortcut"}},
            {"no portal elsewhere",
             R::unavailable,
             false,
             false,
             true,
             {"Complete setup", "No portal."},
             {"Rewrite Selection", "Works without the shortcut too", "rewrite"},
             {"No portal.", "Shortcut Help", "openShortcutHelp"}},
            {"no replacement",
             R::desktopPortal,
             false,
             false,
             false,
             {"Complete setup", "No route."},
             {"Finish Setup First", "Text replacement must work first", "openSettings"},
             {"No route.", "Text Replacement Help", "openReplacementHelp"}},
        };
        for (const Row& row : rows) {
            test::ModelStates m("in both idle");
            SessionCapabilities session;
            session.shortcutRoute = row.route;
            session.shortcutTaken = row.taken;
            session.canAddDesktopShortcut = row.canAdd;
            session.accessibilityReplacement = row.replacement;
            session.shortcutProblem = row.route == R::unavailable ? "No portal." : "";
            session.replacementProblem = row.replacement ? "" : "No route.";
            m.model.setCapabilities(session);
            const P::StatusSelection status = P::statusSelection(m.model);
            QCOMPARE((QStringList{status.headline, status.subline}), row.header);
            const P::MainButton main = P::mainButton(m.model);
            QCOMPARE((QStringList{main.title, main.subtitle, action.value(int(main.action))}),
                     row.main);
            const P::SetupPrimary button = P::setupPrimaryButton(m.model);
            QCOMPARE((QStringList{P::setupRows(m.model).first().subtitle, button.title,
                                  action.value(int(button.action))}),
                     row.setup);
        }
    }
};

VELTO_REGISTER_TEST(QuickPanelPresenterTest);
#include "QuickPanelPresenterTest.moc"
