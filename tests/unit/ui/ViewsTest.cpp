#include "ModelStates.h"
#include "support/TestRegistry.h"
#include "ui/QuickPanelViewController.h"
#include "ui/SettingsViewController.h"
#include "ui/ViewEngine.h"

#include <QQuickItem>
#include <QQuickView>
#include <QTest>

using namespace velto;
using test::list;
using test::row;

namespace {

// A view over a model, its items found by objectName and its handlers counting their calls.
struct ViewRig
{
    explicit ViewRig(const QString& state = "out unchecked idle") : states(state) {}

    // Shows the view, unless its controller did.
    void open(QQuickView* made)
    {
        view = made;
        QVERIFY(view);
        view->setVisible(true);
        QVERIFY(QTest::qWaitForWindowExposed(view));
    }

    // Through the visual tree: items a Repeater or Loader makes are not QObject children.
    QQuickItem* item(const QString& name, QQuickItem* at = nullptr) const
    {
        at = at ? at : view->rootObject();
        if (at->objectName() == name)
            return at;
        for (QQuickItem* child : at->childItems())
            if (QQuickItem* found = item(name, child))
                return found;
        return nullptr;
    }

    // Reads each entry back from the view: "name=text", "name.property=value", "name" shown,
    // "!name" hidden.
    void expect(const QStringList& expected) const
    {
        QStringList actual;
        for (const QString& entry : expected) {
            const QString key = entry.section('=', 0, 0).remove('!');
            const QQuickItem* found = item(key.section('.', 0, 0));
            const QString property = key.contains('.') ? key.section('.', 1) : "text";
            if (entry.contains('='))
                actual << key + '=' +
                              (found ? found->property(qPrintable(property)).toString() : "");
            else
                actual << (found && found->isVisible() ? key : '!' + key);
        }
        QCOMPARE(actual, expected);
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
    explicit PanelRig(const QString& state) : ViewRig(state) { open(controller.view()); }
    QuickPanelViewController controller{
        states.model,
        {counter("rewrite"), counter("openSettings"), counter("signIn"), counter("signOut"),
         counter("openInputMonitoring"), counter("openAccessibility"), counter("quit"),
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
         counter("signIn"), counter("signOut"), counter("openInputMonitoring"),
         counter("openAccessibility"), counter("useFreeShortcut"), counter("addDesktopShortcut"),
         counter("removeDesktopShortcut")},
        engine};
};

} // namespace

class ViewsTest : public QObject
{
    Q_OBJECT

private slots:
    // The panel in a model state (see test::ModelStates): what it shows, then the handlers the
    // clicks call.
    void panel_data()
    {
        QTest::addColumn<QString>("state");
        QTest::addColumn<QStringList>("shows");
        QTest::addColumn<QStringList>("clicks");
        QTest::addColumn<QStringList>("calls");
        row("signing in overrides the header and footer", "signing both idle",
            list("headline=Signing in...|pillLabel=Live|explanation=Finish the browser handoff, "
                 "then come back here.|accountActivity|!signInButton|!accountButton"),
            QStringList{}, QStringList{});
        row("a failed rewrite shows its text and retries", "in both failed: The server is busy.",
            list("subline=The server is busy.|pillLabel=Issue|mainTitle=Try Rewrite Again"),
            list("mainButton"), list("rewrite"));
        row("setup complete leaves the middle empty", "in both succeeded",
            list("!noticeBanner|!setupCard|shortcutDisplay=Super+Shift+L|headline=Ready to "
                 "rewrite"),
            QStringList{}, QStringList{});
        row("connected without an address still signs out", "in-noemail both idle",
            list("accountButton|accountButton=Connected"), list("accountButton"), list("signOut"));
        row("missing capabilities open the settings and the help", "in none idle",
            list("mainTitle=Finish Setup First|setupPrimary=Shortcut Help"),
            list("mainButton|setupPrimary|settingsButton|quitButton"),
            list("openSettings|openInputMonitoring|openSettings|quit"));
    }

    void panel()
    {
        QFETCH(QString, state);
        QFETCH(QStringList, shows);
        QFETCH(QStringList, clicks);
        PanelRig rig(state);
        rig.expect(shows);
        for (const QString& name : clicks)
            rig.click(name);
        QTEST(rig.called, "calls");
    }

    // A server's error text is shown as it is: markup in it is neither rendered nor fetched.
    void noticesAreShownAsPlainText()
    {
        PanelRig rig("out both idle");
        const QString hostile = "<img src=\"http://127.0.0.1:9/x.png\"><b>bold</b>";
        rig.states.model.setNotice(UserNoticeStyle::error, hostile, hostile);
        rig.expect({"noticeBanner", "noticeMessage=" + hostile});
        for (const char* name : {"noticeTitle", "noticeMessage"})
            QCOMPARE(rig.item(name)->property("textFormat").toInt(), int(Qt::PlainText));
    }

    // One session: a notice over the setup card, the main button acting on the state at the
    // press, a rewrite in progress, then Escape with a control focused.
    void panelFollowsTheModel()
    {
        PanelRig rig("out both idle");
        rig.states.model.setNotice(UserNoticeStyle::warning, "No text selected",
                                   "Select text in another app, then press Super+L again.");
        rig.expect({"noticeBanner", "!setupCard", "noticeTitle=No text selected"});
        rig.click("noticeClose");
        QVERIFY(!rig.states.model.notice());
        rig.expect({"setupCard", "setupPrimary=Sign In", "mainTitle=Sign In to Continue"});
        rig.click("setupPrimary");
        rig.states.model.setAuthState(AuthState::signedIn(std::nullopt));
        rig.click("mainButton");
        QCOMPARE(rig.called, (QStringList{"signIn", "rewrite"}));
        rig.states.model.setRewriteState(RewriteState::running());
        rig.expect({"mainTitle=Rewriting...", "mainButton.enabled=false", "statusDot.active=true"});
        rig.click("mainButton");
        QCOMPARE(rig.called, (QStringList{"signIn", "rewrite"}));
        // Stopped mid-fade, the dot comes back to full opacity.
        QTRY_VERIFY(rig.item("statusDot")->opacity() < 1.0);
        rig.states.model.setRewriteState(RewriteState::succeeded());
        rig.expect({"statusDot.active=false", "statusDot.opacity=1"});
        rig.click("mainButton");
        QTest::keyClick(rig.view, Qt::Key_Escape);
        QVERIFY(!rig.controller.isShown());
        QCOMPARE(rig.called, (QStringList{"signIn", "rewrite", "rewrite"}));
    }

    // Keyboard alone: Tab walks the panel's controls top to bottom and around, Space and Enter
    // press the focused one.
    void panelControlsAreReachedByTabInOrderAndPressedByKey()
    {
        PanelRig rig("out both idle");
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
        rig.expect({"sectionTitle=App"});
        QTest::keyClick(rig.view, Qt::Key_Escape);
        QTRY_VERIFY(!rig.view->isVisible());
    }

    void settingsFollowPermissionsAccountAndServerToneAndKeepTheirSection()
    {
        SettingsRig rig;
        rig.expect({"sectionTitle=Setup", "readinessLine=0 of 3 core steps complete",
                    "headerChip=Needs setup", "globalShortcutAction=Open Help"});
        rig.click("textReplacementAction");
        QCOMPARE(rig.called, QStringList{"openAccessibility"});
        rig.states.model.setPermissionState(true, false);
        rig.expect({"globalShortcutWorks", "!globalShortcutAction", "textReplacementAction"});
        rig.states.model.setPermissionState(true, true);
        rig.expect(
            {"textReplacementWorks", "!textReplacementAction", "headerChip=Account required"});
        rig.states.model.setAuthState(AuthState::signingIn());
        rig.expect({"accountAction.enabled=false", "accountCaption=Browser handoff in progress"});
        rig.states.model.setAuthState(AuthState::signedIn(std::nullopt));
        rig.expect({"accountStatus=Connected", "accountAction=Sign out"});
        rig.click("accountAction");
        QCOMPARE(rig.called, (QStringList{"openAccessibility", "signOut"}));
        // A server tone without a description gets the minimal one's.
        rig.states.model.applyServerConfig({{"pirate", "Pirate"}}, {{"auto", "Auto-detect"}},
                                           "pirate", "auto");
        rig.click("section_writing");
        rig.expect({"sectionTitle=Writing",
                    "toneDescription=Makes the minimum necessary corrections.",
                    "currentDefault=Current default: Pirate in Auto-detect"});
        rig.view->close();
        rig.controller.show();
        rig.expect({"sectionTitle=Writing"});
        QCOMPARE(rig.view->title(), "Velto");
        QCOMPARE(rig.view->minimumSize(), rig.view->maximumSize());
    }

    // A combination another program holds: the panel header, the setup card and the shortcut
    // editor say so, and each offers the free one.
    void aTakenShortcutIsShownWithTheFreeOneEverywhere()
    {
        PanelRig panel("in both idle");
        SessionCapabilities session;
        session.shortcutRoute = GlobalShortcutRoute::keyGrab;
        session.shortcutTaken = true;
        session.pasteReplacement = true;
        panel.states.model.setCapabilities(session);
        // The headline names the combination, so the shortcut chip gives it the width.
        panel.expect({"headline=Super+Shift+L is taken", "!shortcutDisplay",
                      "subline=Another program uses it. Super+Shift+A is free.",
                      "setupPrimary=Use Super+Shift+A"});
        panel.click("setupPrimary");
        QCOMPARE(panel.called, QStringList{"useFreeShortcut"});

        SettingsRig settings;
        settings.states.model.setCapabilities(session);
        settings.expect({"globalShortcutAction=Use Super+Shift+A"});
        settings.click("globalShortcutAction");
        QCOMPARE(settings.called, QStringList{"useFreeShortcut"});
        settings.click("section_app");
        settings.expect({"shortcutTakenRow",
                         "shortcutTaken=Super+Shift+L is taken by another program or by the "
                         "desktop.",
                         "useFreeShortcut=Use Super+Shift+A"});
        settings.click("useFreeShortcut");
        QCOMPARE(settings.states.model.shortcutDisplay(), QStringLiteral("Super+Shift+A"));
        QVERIFY(settings.states.model.shortcutChosen());
    }

    void typingAShortcutAppliesItOnceAndLaunchAtLogin()
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
        rig.expect(
            {"shortcutField=Super+L", "shortcutField.placeholderText=Super+L or Super+Shift+L"});
        rig.view->requestActivate();
        QVERIFY(QTest::qWaitForWindowActive(rig.view));
        rig.item("shortcutField")->forceActiveFocus();
        type("K");
        rig.expect({"shortcutHint", "shortcutHint=Use format like Super+L or Super+Shift+L."});
        type("Super+K");
        QCOMPARE(rig.states.model.shortcutKeyID(), "k");
        rig.expect({"shortcutField=Super+K", "!shortcutHint"});
        QCOMPARE(rig.called, QStringList{"shortcutChanged"});
        rig.click("shiftBadge");
        QVERIFY(rig.states.model.shortcutRequiresShift());
        QCOMPARE(rig.called, (QStringList{"shortcutChanged", "shortcutChanged"}));
        rig.expect({"shortcutField=Super+Shift+K",
                    "workflowSentence=Select text in any app, then press Super+Shift+K to rewrite "
                    "it in place."});
        // The launch-at-login switch writes the model, then calls its handler.
        rig.click("launchAtLogin");
        QVERIFY(rig.states.model.launchAtLogin());
        QCOMPARE(rig.launchAtLogin, QList<bool>{true});
    }
};

VELTO_REGISTER_TEST(ViewsTest);
#include "ViewsTest.moc"
