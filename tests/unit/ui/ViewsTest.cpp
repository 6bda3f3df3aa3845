#include "ModelStates.h"
#include "ViewItems.h"
#include "support/TestRegistry.h"
#include "ui/QuickPanelViewController.h"
#include "ui/SettingsViewController.h"
#include "ui/ViewEngine.h"

#include <QQuickItem>
#include <QQuickView>
#include <QTest>

using namespace velto;
using test::Auth;
using test::Capabilities;
using test::ModelState;
using test::Rewrite;

namespace {

// A view over a model, its items found by objectName and its handlers counting their calls.
struct ViewRig
{
    explicit ViewRig(const ModelState& state = {}) : states(state) {}

    // Shows the view, unless its controller did.
    void open(QQuickView* made)
    {
        view = made;
        QVERIFY(view);
        view->setVisible(true);
        QVERIFY(QTest::qWaitForWindowExposed(view));
    }

    QQuickItem* item(const QString& name) const { return test::findItem(view->rootObject(), name); }

    QVariant value(const QString& name, const char* property) const
    {
        const QQuickItem* found = item(name);
        return found ? found->property(property) : QVariant();
    }
    QString text(const QString& name) const { return value(name, "text").toString(); }
    bool shown(const QString& name) const
    {
        const QQuickItem* found = item(name);
        return found && found->isVisible();
    }

    void click(const QString& name)
    {
        QQuickItem* found = item(name);
        QVERIFY2(found && found->isVisible(), qPrintable(name));
        const QPointF centre(found->width() / 2, found->height() / 2);
        QTest::mouseClick(view, Qt::LeftButton, {}, found->mapToScene(centre).toPoint());
    }

    // Each handler adds its name to `called`.
    std::function<void()> counter(const QString& name)
    {
        return [this, name] { called << name; };
    }

    test::ModelStates states;
    QStringList called;
    ViewEngine engine;
    QQuickView* view = nullptr;
};

struct PanelRig : ViewRig
{
    explicit PanelRig(const ModelState& state) : ViewRig(state) { open(controller.view()); }
    QuickPanelViewController controller{
        states.model,
        {counter("rewrite"), counter("openSettings"), counter("signIn"), counter("signOut"),
         counter("openShortcutHelp"), counter("openTextReplacementHelp"), counter("quit"),
         counter("useFreeShortcut"), counter("addDesktopShortcut")},
        engine};
};

struct SettingsRig : ViewRig
{
    SettingsRig()
    {
        controller.show();
        open(controller.view());
    }

    QList<bool> launchAtLogin;
    SettingsViewController controller{
        states.model,
        {[this](bool on) { launchAtLogin.append(on); }, counter("shortcutChanged"),
         counter("signIn"), counter("signOut"), counter("openShortcutHelp"),
         counter("openTextReplacementHelp"), counter("useFreeShortcut"),
         counter("addDesktopShortcut"), counter("removeDesktopShortcut")},
        engine};
};

} // namespace

class ViewsTest : public QObject
{
    Q_OBJECT

private slots:
    void signingInOverridesTheHeaderAndFooter()
    {
        PanelRig rig({Auth::signingIn, Capabilities::both});
        QCOMPARE(rig.text("headline"), "Signing in...");
        QCOMPARE(rig.text("pillLabel"), "Live");
        QCOMPARE(rig.text("explanation"), "Finish the browser handoff, then come back here.");
        QVERIFY(rig.shown("accountActivity"));
        QVERIFY(!rig.shown("signInButton"));
        QVERIFY(!rig.shown("accountButton"));
    }

    void aFailedRewriteShowsItsTextAndRetries()
    {
        PanelRig rig({Auth::signedIn, Capabilities::both, Rewrite::failed, "The server is busy."});
        QCOMPARE(rig.text("subline"), "The server is busy.");
        QCOMPARE(rig.text("pillLabel"), "Issue");
        QCOMPARE(rig.text("mainTitle"), "Try Rewrite Again");
        rig.click("mainButton");
        QCOMPARE(rig.called, QStringList{"rewrite"});
    }

    void aCompleteSetupLeavesTheMiddleEmpty()
    {
        PanelRig rig({Auth::signedIn, Capabilities::both, Rewrite::succeeded});
        QVERIFY(!rig.shown("noticeBanner"));
        QVERIFY(!rig.shown("setupCard"));
        QCOMPARE(rig.text("shortcutDisplay"), "Super+Shift+L");
        QCOMPARE(rig.text("headline"), "Ready to rewrite");
    }

    void anAccountWithoutAnAddressShowsConnectedAndSignsOut()
    {
        PanelRig rig({Auth::signedInWithoutEmail, Capabilities::both});
        QVERIFY(rig.shown("accountButton"));
        QCOMPARE(rig.text("accountButton"), "Connected");
        rig.click("accountButton");
        QCOMPARE(rig.called, QStringList{"signOut"});
    }

    void missingCapabilitiesOpenTheSettingsAndTheHelp()
    {
        PanelRig rig({Auth::signedIn, Capabilities::none});
        QCOMPARE(rig.text("mainTitle"), "Finish Setup First");
        QCOMPARE(rig.text("setupPrimary"), "Shortcut Help");
        for (const char* name : {"mainButton", "setupPrimary", "settingsButton", "quitButton"})
            rig.click(name);
        QCOMPARE(rig.called,
                 (QStringList{"openSettings", "openShortcutHelp", "openSettings", "quit"}));
    }

    // A server's error text is shown as it is: markup in it is neither rendered nor fetched.
    void noticesAreShownAsPlainText()
    {
        PanelRig rig({Auth::signedOut, Capabilities::both});
        const QString hostile = "<img src=\"http://127.0.0.1:9/x.png\"><b>bold</b>";
        rig.states.model.setNotice(UserNoticeStyle::error, hostile, hostile);
        QVERIFY(rig.shown("noticeBanner"));
        QCOMPARE(rig.text("noticeMessage"), hostile);
        for (const char* name : {"noticeTitle", "noticeMessage"})
            QCOMPARE(rig.item(name)->property("textFormat").toInt(), int(Qt::PlainText));
    }

    void aNoticeCoversTheSetupCardUntilClosed()
    {
        PanelRig rig({Auth::signedOut, Capabilities::both});
        rig.states.model.setNotice(UserNoticeStyle::warning, "No text selected",
                                   "Select text in another app, then press Super+L again.");
        QVERIFY(rig.shown("noticeBanner"));
        QVERIFY(!rig.shown("setupCard"));
        QCOMPARE(rig.text("noticeTitle"), "No text selected");
        rig.click("noticeClose");
        QVERIFY(!rig.states.model.notice());
        QVERIFY(rig.shown("setupCard"));
        QCOMPARE(rig.text("setupPrimary"), "Sign In");
    }

    // The buttons act on the state at the press, not the one the panel opened in.
    void theMainButtonActsOnTheStateAtThePress()
    {
        PanelRig rig({Auth::signedOut, Capabilities::both});
        QCOMPARE(rig.text("mainTitle"), "Sign In to Continue");
        rig.click("setupPrimary");
        rig.states.model.setAuthState(AuthState::signedIn(std::nullopt));
        rig.click("mainButton");
        QCOMPARE(rig.called, (QStringList{"signIn", "rewrite"}));
    }

    void aRewriteInProgressDisablesTheButtonAndPulsesTheDot()
    {
        PanelRig rig({Auth::signedIn, Capabilities::both});
        rig.states.model.setRewriteState(RewriteState::running());
        QCOMPARE(rig.text("mainTitle"), "Rewriting...");
        QCOMPARE(rig.value("mainButton", "enabled"), false);
        QCOMPARE(rig.value("statusDot", "active"), true);
        rig.click("mainButton");
        QVERIFY(rig.called.isEmpty());
        // Stopped mid-fade, the dot comes back to full opacity.
        QTRY_VERIFY(rig.item("statusDot")->opacity() < 1.0);
        rig.states.model.setRewriteState(RewriteState::succeeded());
        QCOMPARE(rig.value("statusDot", "active"), false);
        QCOMPARE(rig.item("statusDot")->opacity(), 1.0);
        rig.click("mainButton");
        QCOMPARE(rig.called, QStringList{"rewrite"});
        QTest::keyClick(rig.view, Qt::Key_Escape);
        QVERIFY(!rig.controller.isShown());
    }

    // Keyboard alone: Tab walks the panel's controls top to bottom and around, Space and Enter
    // press the focused one.
    void panelControlsAreReachedByTabInOrderAndPressedByKey()
    {
        PanelRig rig({Auth::signedOut, Capabilities::both});
        const QStringList order = {"mainButton",   "setupPrimary",   "openSetup",
                                   "tonePicker",   "languagePicker", "settingsButton",
                                   "signInButton", "quitButton",     "mainButton"};
        QStringList reached;
        for (qsizetype i = 0; i < order.size(); ++i) {
            QTest::keyClick(rig.view, Qt::Key_Tab);
            const QQuickItem* focused = rig.view->activeFocusItem();
            reached << (focused ? focused->objectName() : "<nothing>");
        }
        QCOMPARE(reached, order);
        QVERIFY(rig.view->activeFocusItem()->property("visualFocus").toBool());

        QTest::keyClick(rig.view, Qt::Key_Space);
        for (int i = 0; i < 5; ++i)
            QTest::keyClick(rig.view, Qt::Key_Tab);
        QCOMPARE(rig.view->activeFocusItem()->objectName(), "settingsButton");
        QTest::keyClick(rig.view, Qt::Key_Space);
        QTest::keyClick(rig.view, Qt::Key_Tab);
        QTest::keyClick(rig.view, Qt::Key_Return);
        QCOMPARE(rig.called, (QStringList{"signIn", "openSettings", "signIn"}));
    }

    void settingsSectionsAreReachedByTabAndEscapeCloses()
    {
        SettingsRig rig;
        QTest::keyClick(rig.view, Qt::Key_Tab);
        QCOMPARE(rig.view->activeFocusItem()->objectName(), "section_setup");
        QTest::keyClick(rig.view, Qt::Key_Tab);
        QTest::keyClick(rig.view, Qt::Key_Space);
        QCOMPARE(rig.text("sectionTitle"), "App");
        QTest::keyClick(rig.view, Qt::Key_Escape);
        QTRY_VERIFY(!rig.view->isVisible());
    }

    // A capability that works loses its button; the chip moves on to the account.
    void theSettingsFollowTheCapabilities()
    {
        SettingsRig rig;
        QCOMPARE(rig.text("sectionTitle"), "Setup");
        QCOMPARE(rig.text("readinessLine"), "0 of 3 core steps complete");
        QCOMPARE(rig.text("headerChip"), "Needs setup");
        QCOMPARE(rig.text("globalShortcutAction"), "Open Help");
        rig.click("textReplacementAction");
        QCOMPARE(rig.called, QStringList{"openTextReplacementHelp"});
        rig.states.model.setPermissionState(true, false);
        QVERIFY(rig.shown("globalShortcutWorks"));
        QVERIFY(!rig.shown("globalShortcutAction"));
        QVERIFY(rig.shown("textReplacementAction"));
        rig.states.model.setPermissionState(true, true);
        QVERIFY(rig.shown("textReplacementWorks"));
        QVERIFY(!rig.shown("textReplacementAction"));
        QCOMPARE(rig.text("headerChip"), "Account required");
    }

    void theAccountCardFollowsTheSignIn()
    {
        SettingsRig rig;
        rig.states.model.setAuthState(AuthState::signingIn());
        QCOMPARE(rig.value("accountAction", "enabled"), false);
        QCOMPARE(rig.text("accountCaption"), "Browser handoff in progress");
        rig.states.model.setAuthState(AuthState::signedIn(std::nullopt));
        QCOMPARE(rig.text("accountStatus"), "Connected");
        QCOMPARE(rig.text("accountAction"), "Sign out");
        rig.click("accountAction");
        QCOMPARE(rig.called, QStringList{"signOut"});
    }

    // A server tone without a description gets the minimal one's; the window reopens on the
    // section it showed.
    void aServerToneWithoutDescriptionGetsTheMinimalOnes()
    {
        SettingsRig rig;
        rig.states.model.applyServerConfig({{"pirate", "Pirate"}}, {{"auto", "Auto-detect"}},
                                           "pirate", "auto");
        rig.click("section_writing");
        QCOMPARE(rig.text("sectionTitle"), "Writing");
        QCOMPARE(rig.text("toneDescription"), "Makes the minimum necessary corrections.");
        QCOMPARE(rig.text("currentDefault"), "Current default: Pirate in Auto-detect");
        rig.view->close();
        rig.controller.show();
        QCOMPARE(rig.text("sectionTitle"), "Writing");
        QCOMPARE(rig.view->title(), "Velto");
        QCOMPARE(rig.view->minimumSize(), rig.view->maximumSize());
    }

    // A combination another program holds: the panel header, the setup card and the shortcut
    // editor say so, and each offers the free one.
    void aTakenShortcutIsShownWithTheFreeOneEverywhere()
    {
        PanelRig panel({Auth::signedIn, Capabilities::both});
        SessionCapabilities session;
        session.shortcutRoute = GlobalShortcutRoute::keyGrab;
        session.shortcutTaken = true;
        session.pasteReplacement = true;
        panel.states.model.setCapabilities(session);
        // The headline names the combination, so the shortcut chip gives it the width.
        QCOMPARE(panel.text("headline"), "Super+Shift+L is taken");
        QVERIFY(!panel.shown("shortcutDisplay"));
        QCOMPARE(panel.text("subline"), "Another program uses it. Super+Shift+A is free.");
        QCOMPARE(panel.text("setupPrimary"), "Use Super+Shift+A");
        panel.click("setupPrimary");
        QCOMPARE(panel.called, QStringList{"useFreeShortcut"});

        SettingsRig settings;
        settings.states.model.setCapabilities(session);
        QCOMPARE(settings.text("globalShortcutAction"), "Use Super+Shift+A");
        settings.click("globalShortcutAction");
        QCOMPARE(settings.called, QStringList{"useFreeShortcut"});
        settings.click("section_app");
        QVERIFY(settings.shown("shortcutTakenRow"));
        QCOMPARE(settings.text("shortcutTaken"),
                 "Super+Shift+L is taken by another program or by the desktop.");
        QCOMPARE(settings.text("useFreeShortcut"), "Use Super+Shift+A");
        settings.click("useFreeShortcut");
        QCOMPARE(settings.states.model.shortcutDisplay(), QStringLiteral("Super+Shift+A"));
        QVERIFY(settings.states.model.shortcutChosen());
    }

    void aTypedShortcutAppliesOnceItIsComplete()
    {
        SettingsRig rig;
        // Replaces the field's text key by key: keyClicks has no window overload.
        const auto type = [&rig](const QString& text) {
            QTest::keyClick(rig.view, Qt::Key_A, Qt::ControlModifier);
            for (const QChar c : text)
                QTest::keyClick(rig.view, c.toLatin1());
        };
        rig.states.model.chooseShortcut("l", false);
        rig.called.clear();
        rig.click("section_app");
        QCOMPARE(rig.text("shortcutField"), "Super+L");
        QCOMPARE(rig.value("shortcutField", "placeholderText"), "Super+L or Super+Shift+L");
        rig.view->requestActivate();
        QVERIFY(QTest::qWaitForWindowActive(rig.view));
        rig.item("shortcutField")->forceActiveFocus();
        type("K");
        QVERIFY(rig.shown("shortcutHint"));
        QCOMPARE(rig.text("shortcutHint"), "Use format like Super+L or Super+Shift+L.");
        type("Super+K");
        QCOMPARE(rig.states.model.shortcutKeyID(), "k");
        QCOMPARE(rig.text("shortcutField"), "Super+K");
        QVERIFY(!rig.shown("shortcutHint"));
        QCOMPARE(rig.called, QStringList{"shortcutChanged"});
        rig.click("shiftBadge");
        QVERIFY(rig.states.model.shortcutRequiresShift());
        QCOMPARE(rig.called, (QStringList{"shortcutChanged", "shortcutChanged"}));
        QCOMPARE(rig.text("shortcutField"), "Super+Shift+K");
        QCOMPARE(rig.text("workflowSentence"),
                 "Select text in any app, then press Super+Shift+K to rewrite it in place.");
    }

    // The switch writes the model, then calls its handler.
    void theLaunchAtLoginSwitchWritesTheModelThenCallsItsHandler()
    {
        SettingsRig rig;
        rig.click("section_app");
        rig.click("launchAtLogin");
        QVERIFY(rig.states.model.launchAtLogin());
        QCOMPARE(rig.launchAtLogin, QList<bool>{true});
    }
};

VELTO_REGISTER_TEST(ViewsTest);
#include "ViewsTest.moc"
