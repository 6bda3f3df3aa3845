#include "ui/SettingsPresenter.h"
#include "ModelStates.h"
#include "support/TestRegistry.h"
#include "ui/ShortcutEditor.h"

#include <QTest>

using namespace velto;
using test::Auth;
using test::Capabilities;
using test::ModelState;
using test::Rewrite;
using test::row;
using test::sessionWith;
using S = SettingsPresenter;

namespace {

const ModelState fresh{Auth::signedOut, Capabilities::unchecked};
const ModelState signedOut{Auth::signedOut, Capabilities::both};
const ModelState signedIn{Auth::signedIn, Capabilities::both};
const ModelState allDone{signedIn.auth, signedIn.capabilities, Rewrite::succeeded};
const ModelState shortcutOnly{Auth::signedIn, Capabilities::shortcutOnly};

// A change made through the editor, or to the model elsewhere.
using Edit = std::function<void(ShortcutEditor&, AppModel&)>;

} // namespace

Q_DECLARE_METATYPE(Edit)
Q_DECLARE_METATYPE(velto::SessionCapabilities)
Q_DECLARE_METATYPE(velto::PanelAction)

// What each part of the settings shows by model state; then the shortcut editor.
class SettingsPresenterTest : public QObject
{
    Q_OBJECT

private slots:
    void sectionsComeInOrder()
    {
        QStringList ids, titles, subtitles, symbols;
        for (const S::Section& section : S::sections()) {
            ids << section.id;
            titles << section.title;
            subtitles << section.subtitle;
            symbols << section.symbol;
        }
        QCOMPARE(ids, (QStringList{"setup", "app", "writing"}));
        QCOMPARE(titles, (QStringList{"Setup", "App", "Writing"}));
        QCOMPARE(subtitles, (QStringList{"Account and capabilities", "Behavior and shortcut",
                                         "Tone and language defaults"}));
        QCOMPARE(symbols, (QStringList{"checklist", "slider.horizontal.3", "text.quote"}));
    }

    // A known tone in another case is not that tone: it gets the minimal one's description.
    void eachToneHasItsDescription()
    {
        QStringList descriptions;
        for (const char* tone : {"professional", "concise", "creative", "casual", "persuasive",
                                 "grammar_fix", "Concise"})
            descriptions << S::toneDescription(tone);
        const QString minimal = "Makes the minimum necessary corrections.";
        QCOMPARE(descriptions,
                 (QStringList{"Clearer and more polished for clients and formal communication.",
                              "Removes filler and gets to the point faster.",
                              "Adds energy, vocabulary, and rhythm.",
                              "Looser, warmer, and more conversational.",
                              "More action-oriented and convincing.", minimal, minimal}));
    }

    void theSummaryCountsCoreSteps_data()
    {
        QTest::addColumn<ModelState>("state");
        QTest::addColumn<QString>("chip");
        QTest::addColumn<QString>("line");
        QTest::addColumn<QStringList>("values"); // of the capabilities, account and writing rows
        const QString needsSetup = "Needs setup", signIn = "Sign in required";
        const QString writing = "Default • Auto-detect";
        row("fresh install", fresh, needsSetup, "0 of 3 core steps complete",
            QStringList{needsSetup, signIn, writing});
        row("a capability missing, signed in", shortcutOnly, needsSetup,
            "1 of 3 core steps complete", QStringList{needsSetup, "Connected", writing});
        row("capabilities, signed out", signedOut, "Account required", "1 of 3 core steps complete",
            QStringList{"Ready", signIn, writing});
        row("all done", allDone, "Ready", "3 of 3 core steps complete",
            QStringList{"Ready", "Connected", writing});
    }

    void theSummaryCountsCoreSteps()
    {
        QFETCH(ModelState, state);
        const test::ModelStates m(state);
        QTEST(S::headerChip(m.model), "chip");
        QTEST(S::readinessLine(m.model), "line");
        QStringList labels, values;
        for (const S::ReadinessLine& line : S::readinessLines(m.model)) {
            labels << line.label;
            values << line.value;
        }
        QCOMPARE(labels,
                 (QStringList{"Shortcut and text replacement", "Account", "Writing defaults"}));
        QTEST(values, "values");
    }

    // A done step is ticked and says so; a failed rewrite is not a done one.
    void theChecklistTicksDoneSteps_data()
    {
        QTest::addColumn<ModelState>("state");
        QTest::addColumn<QStringList>("sublines");
        QTest::addColumn<QList<bool>>("complete");
        const QString tryIt = "Select text and press Super+Shift+L";
        const QString both = "Both work in this session.";
        const QString account = "Your rewrite service is ready.";
        row("nothing done", ModelState{Auth::signedOut, Capabilities::none},
            QStringList{"Needed to see the shortcut and to replace the selected text. See below "
                        "for what this session offers.",
                        "Sign in once to unlock online rewriting.", tryIt},
            QList<bool>{false, false, false});
        row("everything done", allDone,
            QStringList{both, account, "You have already completed a rewrite."},
            QList<bool>{true, true, true});
        row("a failed rewrite",
            ModelState{signedIn.auth, signedIn.capabilities, Rewrite::failed, "Boom."},
            QStringList{both, account, tryIt}, QList<bool>{true, true, false});
    }

    void theChecklistTicksDoneSteps()
    {
        QFETCH(ModelState, state);
        const test::ModelStates m(state);
        QStringList titles, sublines;
        QList<bool> complete;
        for (const ChecklistRow& line : S::checklist(m.model)) {
            titles << line.title;
            sublines << line.subtitle;
            complete << line.complete;
        }
        QCOMPARE(titles, (QStringList{"Check the shortcut and text replacement",
                                      "Connect your account", "Test one rewrite"}));
        QTEST(sublines, "sublines");
        QTEST(complete, "complete");
    }

    void theAccountCardFollowsTheSession_data()
    {
        QTest::addColumn<ModelState>("state");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<bool>("bordered");
        row("signed out", signedOut, "Not connected", "", "Sign in", true, false);
        row("signing in", ModelState{Auth::signingIn, Capabilities::both}, "Signing in",
            "Browser handoff in progress", "Sign in", false, false);
        row("signed in", signedIn, "Connected", "", "Sign out", true, true);
    }

    void theAccountCardFollowsTheSession()
    {
        QFETCH(ModelState, state);
        const test::ModelStates m(state);
        const S::AccountCard card = S::accountCard(m.model);
        QTEST(card.status, "status");
        QTEST(card.caption, "caption");
        QTEST(card.button, "button");
        QTEST(card.buttonEnabled, "enabled");
        QTEST(card.bordered, "bordered");
    }

    // Unchecked shows as not working: nothing has said it works.
    void capabilitiesShowWhetherTheyWork_data()
    {
        QTest::addColumn<ModelState>("state");
        QTest::addColumn<bool>("shortcut");
        QTest::addColumn<bool>("replacement");
        row("unchecked", fresh, false, false);
        row("shortcut only", ModelState{Auth::signedOut, Capabilities::shortcutOnly}, true, false);
        row("both", signedOut, true, true);
    }

    void capabilitiesShowWhetherTheyWork()
    {
        QFETCH(ModelState, state);
        const test::ModelStates m(state);
        const QList<S::CapabilityRow> rows = S::capabilityRows(m.model);
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows[0].title, "Global shortcut");
        QTEST(rows[0].works, "shortcut");
        QCOMPARE(rows[1].title, "Text replacement");
        QTEST(rows[1].works, "replacement");
    }

    // The chip turns green exactly when it says "Ready".
    void theHeaderChipIsGreenOnlyWhenReady_data()
    {
        QTest::addColumn<ModelState>("state");
        QTest::addColumn<bool>("ready");
        row("fresh", fresh, false);
        row("no capabilities, rewritten before",
            ModelState{Auth::signedIn, Capabilities::none, Rewrite::succeeded}, false);
        row("signed out", signedOut, false);
        row("signing in", ModelState{Auth::signingIn, Capabilities::both}, false);
        row("signed in", signedIn, true);
        row("signed in without an address",
            ModelState{Auth::signedInWithoutEmail, Capabilities::both, Rewrite::succeeded}, true);
    }

    void theHeaderChipIsGreenOnlyWhenReady()
    {
        QFETCH(ModelState, state);
        QFETCH(bool, ready);
        test::ModelStates m(state);
        QCOMPARE(S::ready(m.model), ready);
        QCOMPARE(S::headerChip(m.model) == "Ready", ready);
        QCOMPARE(S(m.model).property("ready").toBool(), ready);
    }

    // The window's title line reads the chosen section; a name it does not know shows the
    // first section, as the content does.
    void theChosenSectionIsFoundByItsId()
    {
        test::ModelStates m(signedOut);
        const S presenter(m.model);
        const QVariantMap writing = presenter.sectionValue("writing");
        QCOMPARE(writing.value("title").toString(), "Writing");
        QCOMPARE(writing.value("subtitle").toString(), "Tone and language defaults");
        QCOMPARE(presenter.sectionValue("app").value("id").toString(), "app");
        QCOMPARE(presenter.sectionValue("nonsense").value("id").toString(), "setup");
        QCOMPARE(presenter.sectionValue("").value("title").toString(), "Setup");
    }

    // How each capability works in the session, or why not, and the one button that helps.
    void capabilityRowsSayHowAndOfferOnlyWhatWorks_data()
    {
        using R = GlobalShortcutRoute;
        using SC = SessionCapabilities;
        QTest::addColumn<SessionCapabilities>("session");
        QTest::addColumn<QString>("shortcut");
        QTest::addColumn<QString>("shortcutButton");
        QTest::addColumn<PanelAction>("shortcutAction");
        QTest::addColumn<QString>("replacement");
        QTest::addColumn<QString>("replacementButton");
        QTest::addColumn<PanelAction>("replacementAction");
        const auto none = PanelAction::none;
        const QString byBus =
            "Through the accessibility bus (AT-SPI), in applications that support it.";
        row("x11", sessionWith(R::keyGrab, {&SC::accessibilityReplacement, &SC::pasteReplacement}),
            "Through a key grab on the X server: press Super+Shift+L in any application.", "", none,
            "Through the accessibility bus (AT-SPI) in applications that support it, else a "
            "synthetic paste that gives your clipboard back.",
            "", none);
        row("taken", sessionWith(R::keyGrab, {&SC::shortcutTaken, &SC::pasteReplacement}),
            "Super+Shift+L is taken by another program or by the desktop. Super+Shift+A is free.",
            "Use Super+Shift+A", PanelAction::useFreeShortcut,
            "Through a synthetic paste; your clipboard is given back afterwards.", "", none);
        row("portal", sessionWith(R::desktopPortal, {&SC::accessibilityReplacement}),
            "Through the desktop's global shortcut portal: press Super+Shift+L in any "
            "application.",
            "", none, byBus, "", none);
        row("gnome, none yet",
            sessionWith(R::unavailable,
                        {&SC::canAddDesktopShortcut, &SC::accessibilityReplacement}),
            "GNOME has no global shortcut portal, but it can run velto --trigger from a custom "
            "shortcut: Velto can add Super+Shift+L there.",
            "Add the shortcut to GNOME", PanelAction::addDesktopShortcut, byBus, "", none);
        row("gnome, velto's",
            sessionWith(R::desktopCustomShortcut,
                        {&SC::ownsDesktopShortcut, &SC::accessibilityReplacement}),
            "Through a GNOME custom shortcut that runs velto --trigger: press Super+Shift+L in "
            "any application.",
            "Remove from GNOME", PanelAction::removeDesktopShortcut, byBus, "", none);
        row("user's own", sessionWith(R::desktopCustomShortcut, {&SC::accessibilityReplacement}),
            "Through a shortcut in your desktop's settings that runs velto --trigger.", "", none,
            byBus, "", none);
        row("nothing", sessionWith(R::unavailable, {}),
            "No portal. Bind velto --trigger to a shortcut in your desktop's settings instead.",
            "Open Help", PanelAction::openShortcutHelp, "No route.", "Open Help",
            PanelAction::openReplacementHelp);
    }

    void capabilityRowsSayHowAndOfferOnlyWhatWorks()
    {
        QFETCH(SessionCapabilities, session);
        test::ModelStates m(signedIn);
        session.shortcutProblem = QStringLiteral("No portal.");
        session.replacementProblem = QStringLiteral("No route.");
        m.model.setCapabilities(session);
        const S::CapabilityRow shortcut = S::shortcutRow(m.model);
        QTEST(shortcut.subtitle, "shortcut");
        QTEST(shortcut.buttonTitle, "shortcutButton");
        QTEST(shortcut.action, "shortcutAction");
        const S::CapabilityRow replacement = S::replacementRow(m.model);
        QTEST(replacement.subtitle, "replacement");
        QTEST(replacement.buttonTitle, "replacementButton");
        QTEST(replacement.action, "replacementAction");
    }

    void theEditorSaysTakenAndUsesTheFreeOneAsAChoice()
    {
        test::ModelStates m(signedIn);
        int changes = 0;
        ShortcutEditor editor(m.model, [&changes] { ++changes; });
        QVERIFY(!editor.taken());
        QCOMPARE(editor.freeButtonTitle(), QString());
        SessionCapabilities session;
        session.shortcutRoute = GlobalShortcutRoute::keyGrab;
        session.pasteReplacement = true;
        session.unavailableShortcuts = {{"l", true}};
        m.model.setCapabilities(session);
        QVERIFY(editor.taken());
        QCOMPARE(editor.takenLine(),
                 QStringLiteral("Super+Shift+L is taken by another program or by the desktop."));
        QCOMPARE(editor.freeButtonTitle(), QStringLiteral("Use Super+Shift+A"));
        QVERIFY(!m.model.shortcutChosen());
        editor.useFreeShortcut();
        QCOMPARE(m.model.shortcutDisplay(), QStringLiteral("Super+Shift+A"));
        QVERIFY(m.model.shortcutChosen());
        QVERIFY(!editor.taken());
        QCOMPARE(changes, 1);
    }

    // The shortcut field, the Shift badge and the key menu, from Super+L: the model's key and
    // Shift flag, the field, its hint and how often the shortcut-changed handler ran.
    void shortcutEditing_data()
    {
        QTest::addColumn<Edit>("edit");
        QTest::addColumn<QString>("key");
        QTest::addColumn<bool>("shift");
        QTest::addColumn<QString>("input");
        QTest::addColumn<bool>("invalid");
        QTest::addColumn<int>("calls");
        const auto typed = [](QStringList texts) {
            return Edit([texts](ShortcutEditor& editor, AppModel&) {
                for (const QString& text : texts)
                    editor.edit(text);
            });
        };
        row("starts from the model", Edit([](ShortcutEditor&, AppModel&) {}), "l", false, "Super+L",
            false, 0);
        row("a bare letter sets the hint", typed({"K"}), "l", false, "K", true, 0);
        row("then Super+K applies at once", typed({"K", "Super+K"}), "k", false, "Super+K", false,
            1);
        row("old habits: ⌘K", typed({"⌘K"}), "k", false, "Super+K", false, 1);
        row("Meta+Shift+W changes both: two calls", typed({"Meta+Shift+W"}), "w", true,
            "Super+Shift+W", false, 2);
        row("the same shortcut changes nothing", typed({"Win+L"}), "l", false, "Win+L", false, 0);
        row("clearing keeps the shortcut and the hint", typed({"x", ""}), "l", false, "", true, 0);
        row("clearing after a valid one keeps it valid", typed({"Super+R", ""}), "r", false, "",
            false, 1);
        row("the Shift badge flips once", Edit([](ShortcutEditor& editor, AppModel& model) {
                model.setShortcutKeyID("k");
                editor.toggleShift();
            }),
            "k", true, "Super+Shift+K", false, 2);
        row("choosing the same key does nothing",
            Edit([](ShortcutEditor& editor, AppModel&) { editor.chooseKey(editor.keyIndex()); }),
            "l", false, "Super+L", false, 0);
        row("choosing another key, then out of range", Edit([](ShortcutEditor& editor, AppModel&) {
                editor.chooseKey(0);
                editor.chooseKey(99);
                editor.chooseKey(-1);
            }),
            "a", false, "Super+A", false, 1);
        row("an equal assignment elsewhere is no change",
            Edit([](ShortcutEditor&, AppModel& model) {
                model.setShortcutKeyID("l");
                model.setShortcutRequiresShift(false);
            }),
            "l", false, "Super+L", false, 0);
    }

    void shortcutEditing()
    {
        QFETCH(Edit, edit);
        test::ModelStates m;
        // A combination the user chose before.
        m.model.chooseShortcut(QStringLiteral("l"), false);
        int calls = 0;
        ShortcutEditor editor{m.model, [&calls] { ++calls; }};
        edit(editor, m.model);
        QTEST(m.model.shortcutKeyID(), "key");
        QCOMPARE(editor.keyTitle(), m.model.shortcutKeyID().toUpper());
        QTEST(m.model.shortcutRequiresShift(), "shift");
        QTEST(editor.input(), "input");
        QTEST(editor.invalid(), "invalid");
        QTEST(calls, "calls");
    }
};

VELTO_REGISTER_TEST(SettingsPresenterTest);
#include "SettingsPresenterTest.moc"
