#include "ui/QuickPanelPresenter.h"
#include "ModelSetup.h"
#include "ModelStates.h"
#include "support/TestRegistry.h"

#include <QSignalSpy>
#include <QTest>

using namespace velto;
using P = QuickPanelPresenter;

Q_DECLARE_METATYPE(velto::PanelAction)

class QuickPanelPresenterTest : public QObject
{
    Q_OBJECT

private slots:
    void statusSelection_data()
    {
        QTest::addColumn<QString>("auth");
        QTest::addColumn<QString>("permissions");
        QTest::addColumn<QString>("rewrite");
        QTest::addColumn<QString>("error");
        QTest::addColumn<QString>("headline");
        QTest::addColumn<QString>("subline");
        QTest::addColumn<QString>("pill");
        QTest::addColumn<QString>("color");
        QTest::newRow("signing in wins over any status") << "signing"
                                                         << "none"
                                                         << "idle"
                                                         << ""
                                                         << "Signing in..."
                                                         << "Browser handoff in progress"
                                                         << "Live"
                                                         << "orange";
        QTest::newRow("ready") << "in"
                               << "both"
                               << "idle"
                               << ""
                               << "Ready to rewrite"
                               << "Select text in any app, then press Super+L"
                               << "Online"
                               << "green";
        QTest::newRow("sign-in required") << "out"
                                          << "both"
                                          << "idle"
                                          << ""
                                          << "Connect your account"
                                          << "Sign in once to activate online rewriting"
                                          << "Account"
                                          << "orange";
        QTest::newRow("permission required") << "in"
                                             << "input-only"
                                             << "idle"
                                             << ""
                                             << "Complete setup"
                                             << "Enable Input Monitoring and Accessibility"
                                             << "Setup"
                                             << "orange";
        QTest::newRow("rewriting") << "in"
                                   << "both"
                                   << "running"
                                   << ""
                                   << "Rewriting selection"
                                   << "Replacing the current selection"
                                   << "Active"
                                   << "white";
        QTest::newRow("error shows its text") << "in"
                                              << "both"
                                              << "failed"
                                              << "Server unreachable."
                                              << "Needs attention"
                                              << "Server unreachable."
                                              << "Issue"
                                              << "red";
    }

    void statusSelection()
    {
        QFETCH(QString, auth);
        QFETCH(QString, permissions);
        QFETCH(QString, rewrite);
        QFETCH(QString, error);
        test::ModelStates m;
        test::applyState(m.model, auth, permissions, rewrite, error);
        const P::StatusSelection s = P::statusSelection(m.model);
        QTEST(s.headline, "headline");
        QTEST(s.subline, "subline");
        QTEST(s.pillLabel, "pill");
        QTEST(colorName(s.color), "color");
    }

    void mainButton_data()
    {
        QTest::addColumn<QString>("auth");
        QTest::addColumn<QString>("permissions");
        QTest::addColumn<QString>("rewrite");
        QTest::addColumn<QString>("symbol");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("subtitle");
        QTest::addColumn<PanelAction>("action");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("ready") << "in"
                               << "both"
                               << "idle"
                               << "sparkles"
                               << "Rewrite Selection"
                               << "Use Default in Auto-detect" << PanelAction::rewrite << true;
        QTest::newRow("sign-in required")
            << "out"
            << "both"
            << "idle"
            << "person.badge.key"
            << "Sign In to Continue"
            << "Online rewrite requires an account" << PanelAction::signIn << true;
        QTest::newRow("permission required")
            << "in"
            << "none"
            << "idle"
            << "lock.open.display"
            << "Finish Setup First"
            << "Permissions must be enabled first" << PanelAction::openSettings << true;
        QTest::newRow("rewriting disables it")
            << "in"
            << "both"
            << "running"
            << "wand.and.stars.inverse"
            << "Rewriting..."
            << "Working on the selected text" << PanelAction::none << false;
        QTest::newRow("error retries")
            << "in"
            << "both"
            << "failed"
            << "arrow.clockwise"
            << "Try Rewrite Again"
            << "Fix the issue below, then retry" << PanelAction::rewrite << true;
    }

    void mainButton()
    {
        QFETCH(QString, auth);
        QFETCH(QString, permissions);
        QFETCH(QString, rewrite);
        test::ModelStates m;
        test::applyState(m.model, auth, permissions, rewrite,
                         rewrite == "failed" ? QStringLiteral("Boom.") : QString());
        const P::MainButton b = P::mainButton(m.model);
        QTEST(b.symbol, "symbol");
        QTEST(b.title, "title");
        QTEST(b.subtitle, "subtitle");
        QTEST(b.action, "action");
        QTEST(b.enabled, "enabled");
    }

    void explanationLine_data()
    {
        QTest::addColumn<QString>("auth");
        QTest::addColumn<QString>("permissions");
        QTest::addColumn<QString>("line");
        QTest::newRow("signing in first") << "signing"
                                          << "none"
                                          << "Finish the browser handoff, then come back here.";
        QTest::newRow("permissions missing")
            << "in"
            << "input-only"
            << "Open Setup and enable the two required permissions.";
        QTest::newRow("unchecked counts as missing")
            << "in"
            << "unchecked"
            << "Open Setup and enable the two required permissions.";
        QTest::newRow("signed in")
            << "in"
            << "both"
            << "Velto rewrites the currently selected text and pastes the result back in place.";
        QTest::newRow("signed out") << "out"
                                    << "both"
                                    << "Use Settings to connect your account once.";
    }

    void explanationLine()
    {
        QFETCH(QString, auth);
        QFETCH(QString, permissions);
        test::ModelStates m;
        test::applyState(m.model, auth, permissions, "idle");
        QTEST(P::explanationLine(m.model), "line");
    }

    void middleBlock_data()
    {
        QTest::addColumn<QString>("auth");
        QTest::addColumn<QString>("permissions");
        QTest::addColumn<QString>("rewrite");
        QTest::addColumn<bool>("notice");
        QTest::addColumn<int>("block");
        QTest::newRow("a notice wins") << "in"
                                       << "both"
                                       << "succeeded" << true << int(P::MiddleBlock::notice);
        QTest::newRow("setup incomplete: permissions")
            << "in"
            << "none"
            << "succeeded" << false << int(P::MiddleBlock::setupCard);
        QTest::newRow("setup incomplete: account")
            << "out"
            << "both"
            << "succeeded" << false << int(P::MiddleBlock::setupCard);
        QTest::newRow("setup incomplete: no rewrite yet")
            << "in"
            << "both"
            << "idle" << false << int(P::MiddleBlock::setupCard);
        QTest::newRow("all done: nothing") << "in"
                                           << "both"
                                           << "succeeded" << false << int(P::MiddleBlock::none);
    }

    void middleBlock()
    {
        QFETCH(QString, auth);
        QFETCH(QString, permissions);
        QFETCH(QString, rewrite);
        QFETCH(bool, notice);
        test::ModelStates m;
        test::applyState(m.model, auth, permissions, rewrite);
        if (notice)
            m.model.setNotice(UserNoticeStyle::info, "t", "m");
        QTEST(int(P::middleBlock(m.model)), "block");
    }

    void closingTheNoticeBringsBackTheSetupCard()
    {
        test::ModelStates m;
        test::applyState(m.model, "out", "both", "idle");
        m.model.setNotice(UserNoticeStyle::info, "Signed out", "Bye.");
        P presenter(m.model);
        QCOMPARE(presenter.middleBlockName(), "notice");
        QSignalSpy changed(&presenter, &P::changed);
        m.model.clearNotice();
        QVERIFY(changed.count() > 0);
        QCOMPARE(presenter.middleBlockName(), "setup");
    }

    void noticeLook_data()
    {
        QTest::addColumn<UserNoticeStyle>("style");
        QTest::addColumn<QString>("symbol");
        QTest::addColumn<QString>("color");
        QTest::newRow("info") << UserNoticeStyle::info << "info.circle.fill"
                              << "blue";
        QTest::newRow("success") << UserNoticeStyle::success << "checkmark.circle.fill"
                                 << "green";
        QTest::newRow("warning") << UserNoticeStyle::warning << "exclamationmark.triangle.fill"
                                 << "orange";
        QTest::newRow("error") << UserNoticeStyle::error << "xmark.octagon.fill"
                               << "red";
    }

    void noticeLook()
    {
        QFETCH(UserNoticeStyle, style);
        const P::NoticeLook look = P::noticeLook(style);
        QTEST(look.symbol, "symbol");
        QTEST(colorName(look.color), "color");
    }

    void setupCard_data()
    {
        QTest::addColumn<QString>("auth");
        QTest::addColumn<QString>("permissions");
        QTest::addColumn<QString>("rewrite");
        QTest::addColumn<QStringList>("sublines");
        QTest::addColumn<QList<bool>>("complete");
        QTest::addColumn<QString>("progress");
        QTest::addColumn<QString>("primary");
        QTest::addColumn<PanelAction>("action");
        QTest::newRow("fresh") << "out"
                               << "none"
                               << "idle"
                               << QStringList{"Enable both permissions",
                                              "Sign in to use the rewrite service",
                                              "Select text and press Super+L"}
                               << QList<bool>{false, false, false}
                               << "Complete 0 of 3 steps to make Velto feel instant."
                               << "Enable Permissions" << PanelAction::openSettings;
        QTest::newRow("permissions granted")
            << "out"
            << "both"
            << "idle"
            << QStringList{"Input Monitoring and Accessibility enabled",
                           "Sign in to use the rewrite service", "Select text and press Super+L"}
            << QList<bool>{true, false, false}
            << "Complete 1 of 3 steps to make Velto feel instant."
            << "Sign In" << PanelAction::signIn;
        QTest::newRow("signed in")
            << "in"
            << "both"
            << "idle"
            << QStringList{"Input Monitoring and Accessibility enabled", "Ready to rewrite",
                           "Select text and press Super+L"}
            << QList<bool>{true, true, false} << "Complete 2 of 3 steps to make Velto feel instant."
            << "Try Your First Rewrite" << PanelAction::rewrite;
        QTest::newRow("rewrite done, signed out again")
            << "out"
            << "both"
            << "succeeded"
            << QStringList{"Input Monitoring and Accessibility enabled",
                           "Sign in to use the rewrite service", "You're ready to go"}
            << QList<bool>{true, false, true} << "Complete 2 of 3 steps to make Velto feel instant."
            << "Sign In" << PanelAction::signIn;
    }

    void setupCard()
    {
        QFETCH(QString, auth);
        QFETCH(QString, permissions);
        QFETCH(QString, rewrite);
        QFETCH(QStringList, sublines);
        QFETCH(QList<bool>, complete);
        test::ModelStates m;
        test::applyState(m.model, auth, permissions, rewrite);
        const QList<ChecklistRow> rows = P::setupRows(m.model);
        QCOMPARE(rows.size(), 3);
        const QStringList titles{"Permissions", "Account", "First rewrite"};
        for (int i = 0; i < 3; ++i)
            QCOMPARE(rows.at(i), (ChecklistRow{titles.at(i), sublines.at(i), complete.at(i)}));
        QTEST(P::setupProgressLine(m.model), "progress");
        QTEST(P::setupPrimaryButton(m.model).title, "primary");
        QTEST(P::setupPrimaryButton(m.model).action, "action");
    }

    void accountControl_data()
    {
        QTest::addColumn<QString>("auth");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("label");
        QTest::addColumn<PanelAction>("action");
        using K = P::AccountControl::Kind;
        QTest::newRow("signed out")
            << "out" << int(K::signInButton) << "Sign In" << PanelAction::signIn;
        QTest::newRow("signing in") << "signing" << int(K::activity) << "" << PanelAction::none;
        QTest::newRow("signed in")
            << "in" << int(K::account) << "ada@example.test" << PanelAction::signOut;
        QTest::newRow("no address: Connected")
            << "in-noemail" << int(K::account) << "Connected" << PanelAction::signOut;
    }

    void accountControl()
    {
        QFETCH(QString, auth);
        test::ModelStates m;
        test::applyState(m.model, auth, "both", "idle");
        const P::AccountControl control = P::accountControl(m.model);
        QTEST(int(control.kind), "kind");
        QTEST(control.label, "label");
        QTEST(control.action, "action");
        QCOMPARE(control.tooltip,
                 auth.startsWith("in") ? QStringLiteral("Click to sign out") : QString());
    }
};

VELTO_REGISTER_TEST(QuickPanelPresenterTest);
#include "QuickPanelPresenterTest.moc"
