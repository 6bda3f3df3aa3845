#include "ModelSetup.h"
#include "ModelStates.h"
#include "support/TestRegistry.h"
#include "ui/QuickPanelViewController.h"
#include "ui/SettingsViewController.h"
#include "ui/ViewEngine.h"

#include <QQuickItem>
#include <QQuickView>
#include <QTest>

using namespace velto;

namespace {

// Handlers that count their calls by name.
struct Calls
{
    QMap<QString, int> count;
    std::function<void()> counter(const QString& name)
    {
        return [this, name] { ++count[name]; };
    }
};

// Through the visual tree: items a Repeater or Loader makes are not QObject children.
QQuickItem* findIn(QQuickItem* parent, const QString& name)
{
    if (parent->objectName() == name)
        return parent;
    for (QQuickItem* child : parent->childItems()) {
        if (QQuickItem* found = findIn(child, name))
            return found;
    }
    return nullptr;
}

QQuickItem* find(QQuickView* view, const QString& name)
{
    QQuickItem* item = findIn(view->rootObject(), name);
    if (!item)
        qWarning("no item %s", qPrintable(name));
    return item;
}

QString textOf(QQuickView* view, const QString& name)
{
    QQuickItem* item = find(view, name);
    return item ? item->property("text").toString() : QString();
}

bool shown(QQuickView* view, const QString& name)
{
    QQuickItem* item = find(view, name);
    return item && item->isVisible();
}

// keyClicks has no window overload.
void type(QQuickView* view, const QString& text)
{
    for (const QChar c : text)
        QTest::keyClick(view, c.toLatin1());
}

void click(QQuickView* view, const QString& name)
{
    QQuickItem* item = find(view, name);
    QVERIFY(item);
    QVERIFY2(item->isVisible(), qPrintable(name));
    const QPoint centre =
        item->mapToScene(QPointF(item->width() / 2, item->height() / 2)).toPoint();
    QTest::mouseClick(view, Qt::LeftButton, {}, centre);
}

struct PanelRig
{
    explicit PanelRig(const QString& auth, const QString& permissions, const QString& rewrite,
                      const QString& error = {})
    {
        test::applyState(states.model, auth, permissions, rewrite, error);
        view = controller.view();
        QVERIFY(view);
        view->show();
        QVERIFY(QTest::qWaitForWindowExposed(view));
    }
    test::ModelStates states;
    Calls calls;
    ViewEngine engine;
    QuickPanelViewController controller{states.model,
                                        {calls.counter("rewrite"), calls.counter("openSettings"),
                                         calls.counter("signIn"), calls.counter("signOut"),
                                         calls.counter("openInputMonitoring"),
                                         calls.counter("openAccessibility"), calls.counter("quit")},
                                        engine};
    QQuickView* view = nullptr;
};

struct SettingsRig
{
    SettingsRig()
    {
        view = controller.view();
        QVERIFY(view);
        controller.show();
        QVERIFY(QTest::qWaitForWindowExposed(view));
    }
    void openSection(const QString& id) { click(view, "section_" + id); }

    test::ModelStates states;
    Calls calls;
    QList<bool> launchAtLogin;
    ViewEngine engine;
    SettingsViewController controller{
        states.model,
        {[this](bool on) { launchAtLogin.append(on); }, calls.counter("shortcutChanged"),
         calls.counter("signIn"), calls.counter("signOut"), calls.counter("openInputMonitoring"),
         calls.counter("openAccessibility")},
        engine};
    QQuickView* view = nullptr;
};

} // namespace

class ViewsTest : public QObject
{
    Q_OBJECT

private slots:
    void signingInOverridesTheHeaderAndFooter()
    {
        PanelRig rig("signing", "both", "idle");
        QCOMPARE(textOf(rig.view, "headline"), "Signing in...");
        QCOMPARE(textOf(rig.view, "pillLabel"), "Live");
        QCOMPARE(textOf(rig.view, "explanation"),
                 "Finish the browser handoff, then come back here.");
        QVERIFY(shown(rig.view, "accountActivity"));
        QVERIFY(!shown(rig.view, "signInButton"));
        QVERIFY(!shown(rig.view, "accountButton"));
    }

    void aFailedRewriteShowsItsTextAndRetries()
    {
        PanelRig rig("in", "both", "failed", "The server is busy.");
        QCOMPARE(textOf(rig.view, "subline"), "The server is busy.");
        QCOMPARE(textOf(rig.view, "pillLabel"), "Issue");
        QCOMPARE(textOf(rig.view, "mainTitle"), "Try Rewrite Again");
        click(rig.view, "mainButton");
        QCOMPARE(rig.calls.count.value("rewrite"), 1);
    }

    void whileRewritingTheButtonIsDisabled()
    {
        PanelRig rig("in", "both", "running");
        QCOMPARE(textOf(rig.view, "mainTitle"), "Rewriting...");
        QVERIFY(!find(rig.view, "mainButton")->isEnabled());
        click(rig.view, "mainButton");
        QCOMPARE(rig.calls.count.value("rewrite"), 0);
        QVERIFY(find(rig.view, "statusDot")->property("active").toBool());
        rig.states.model.setRewriteState(RewriteState::succeeded());
        QVERIFY(!find(rig.view, "statusDot")->property("active").toBool());
        QCOMPARE(find(rig.view, "statusDot")->opacity(), 1.0);
    }

    void setupCompleteLeavesTheMiddleEmpty()
    {
        PanelRig rig("in", "both", "succeeded");
        QVERIFY(!shown(rig.view, "noticeBanner"));
        QVERIFY(!shown(rig.view, "setupCard"));
        QCOMPARE(textOf(rig.view, "shortcutDisplay"), "Super+L");
        QCOMPARE(textOf(rig.view, "headline"), "Ready to rewrite");
    }

    void closingTheNoticeBringsBackTheSetupCard()
    {
        PanelRig rig("out", "both", "idle");
        rig.states.model.setNotice(UserNoticeStyle::warning, "No text selected",
                                   "Select text in another app, then press Super+L again.");
        QVERIFY(shown(rig.view, "noticeBanner"));
        QVERIFY(!shown(rig.view, "setupCard"));
        QCOMPARE(textOf(rig.view, "noticeTitle"), "No text selected");
        click(rig.view, "noticeClose");
        QVERIFY(!rig.states.model.notice());
        QVERIFY(shown(rig.view, "setupCard"));
        QCOMPARE(textOf(rig.view, "setupPrimary"), "Sign In");
        click(rig.view, "setupPrimary");
        QCOMPARE(rig.calls.count.value("signIn"), 1);
    }

    void connectedWithoutAnAddressStillSignsOut()
    {
        PanelRig rig("in-noemail", "both", "idle");
        QVERIFY(shown(rig.view, "accountButton"));
        QCOMPARE(textOf(rig.view, "accountButton"), "Connected");
        click(rig.view, "accountButton");
        QCOMPARE(rig.calls.count.value("signOut"), 1);
    }

    void permissionActionsOpenTheSettings()
    {
        PanelRig rig("in", "none", "idle");
        QCOMPARE(textOf(rig.view, "mainTitle"), "Finish Setup First");
        click(rig.view, "mainButton");
        click(rig.view, "setupPrimary");
        click(rig.view, "settingsButton");
        QCOMPARE(rig.calls.count.value("openSettings"), 3);
        QCOMPARE(rig.calls.count.value("openInputMonitoring"), 0);
        QCOMPARE(rig.calls.count.value("openAccessibility"), 0);
        click(rig.view, "quitButton");
        QCOMPARE(rig.calls.count.value("quit"), 1);
    }

    void theMainButtonActsOnTheStateAtThePress()
    {
        PanelRig rig("out", "both", "idle");
        QCOMPARE(textOf(rig.view, "mainTitle"), "Sign In to Continue");
        rig.states.model.setAuthState(AuthState::signedIn(std::nullopt));
        click(rig.view, "mainButton");
        QCOMPARE(rig.calls.count.value("rewrite"), 1);
        QCOMPARE(rig.calls.count.value("signIn"), 0);
    }

    void settingsOpenOnSetupAndKeepTheirSection()
    {
        SettingsRig rig;
        QCOMPARE(textOf(rig.view, "sectionTitle"), "Setup");
        QCOMPARE(textOf(rig.view, "readinessLine"), "0 of 3 core steps complete");
        QCOMPARE(textOf(rig.view, "headerChip"), "Needs setup");
        QVERIFY(shown(rig.view, "inputMonitoringEnable"));
        click(rig.view, "accessibilityEnable");
        QCOMPARE(rig.calls.count.value("openAccessibility"), 1);
        rig.openSection("writing");
        QCOMPARE(textOf(rig.view, "sectionTitle"), "Writing");
        rig.view->close();
        rig.controller.show();
        QCOMPARE(textOf(rig.view, "sectionTitle"), "Writing");
        QCOMPARE(rig.view->title(), "Velto");
        QCOMPARE(rig.view->minimumSize(), rig.view->maximumSize());
    }

    void permissionsRefreshWhileOpen()
    {
        SettingsRig rig;
        rig.states.model.setPermissionState(true, false);
        QVERIFY(shown(rig.view, "inputMonitoringGranted"));
        QVERIFY(shown(rig.view, "accessibilityEnable"));
        rig.states.model.setPermissionState(true, true);
        QVERIFY(shown(rig.view, "accessibilityGranted"));
        QCOMPARE(textOf(rig.view, "headerChip"), "Account required");
    }

    void signingInDisablesTheAccountButton()
    {
        SettingsRig rig;
        rig.states.model.setAuthState(AuthState::signingIn());
        QVERIFY(!find(rig.view, "accountAction")->isEnabled());
        QCOMPARE(textOf(rig.view, "accountCaption"), "Browser handoff in progress");
        rig.states.model.setAuthState(AuthState::signedIn(std::nullopt));
        QCOMPARE(textOf(rig.view, "accountStatus"), "Connected");
        QCOMPARE(textOf(rig.view, "accountAction"), "Sign out");
        click(rig.view, "accountAction");
        QCOMPARE(rig.calls.count.value("signOut"), 1);
    }

    void typingAShortcutAppliesItOnce()
    {
        SettingsRig rig;
        rig.openSection("app");
        QQuickItem* field = find(rig.view, "shortcutField");
        QVERIFY(field);
        QCOMPARE(field->property("text").toString(), "Super+L");
        QCOMPARE(field->property("placeholderText").toString(), "Super+L or Super+Shift+L");
        rig.view->requestActivate();
        QVERIFY(QTest::qWaitForWindowActive(rig.view));
        field->forceActiveFocus();
        QTest::keyClick(rig.view, Qt::Key_A, Qt::ControlModifier);
        type(rig.view, "K");
        QVERIFY(shown(rig.view, "shortcutHint"));
        QCOMPARE(textOf(rig.view, "shortcutHint"), "Use format like Super+L or Super+Shift+L.");
        QTest::keyClick(rig.view, Qt::Key_A, Qt::ControlModifier);
        type(rig.view, "Super+K");
        QCOMPARE(rig.states.model.shortcutKeyID(), "k");
        QCOMPARE(field->property("text").toString(), "Super+K");
        QVERIFY(!shown(rig.view, "shortcutHint"));
        QCOMPARE(rig.calls.count.value("shortcutChanged"), 1);

        click(rig.view, "shiftBadge");
        QVERIFY(rig.states.model.shortcutRequiresShift());
        QCOMPARE(field->property("text").toString(), "Super+Shift+K");
        QCOMPARE(rig.calls.count.value("shortcutChanged"), 2);
        QCOMPARE(textOf(rig.view, "workflowSentence"),
                 "Select text in any app, then press Super+Shift+K to rewrite it in place.");
    }

    void launchAtLoginSwitchWritesThenCalls()
    {
        SettingsRig rig;
        rig.openSection("app");
        click(rig.view, "launchAtLogin");
        QVERIFY(rig.states.model.launchAtLogin());
        QCOMPARE(rig.launchAtLogin, QList<bool>{true});
    }

    void aServerToneWithoutDescription()
    {
        SettingsRig rig;
        rig.states.model.applyServerConfig({{"pirate", "Pirate"}}, {{"auto", "Auto-detect"}},
                                           "pirate", "auto");
        rig.openSection("writing");
        QCOMPARE(textOf(rig.view, "toneDescription"), "Makes the minimum necessary corrections.");
        QCOMPARE(textOf(rig.view, "currentDefault"), "Current default: Pirate in Auto-detect");
    }
};

VELTO_REGISTER_TEST(ViewsTest);
#include "ViewsTest.moc"
