#include "ui/SettingsPresenter.h"
#include "ModelStates.h"
#include "support/TestRegistry.h"
#include "ui/ShortcutEditor.h"

#include <QTest>

using namespace velto;
using test::list;
using test::row;
using S = SettingsPresenter;

// One table of the settings' parts: a row, named "part: case", gives a model state (see
// test::ModelStates) and what the part shows in it; a complete checklist line is ticked "✓ ".
// Then the shortcut editor.
class SettingsPresenterTest : public QObject
{
    Q_OBJECT

private slots:
    void parts_data()
    {
        QTest::addColumn<QString>("state");
        QTest::addColumn<QStringList>("shown");
        // Id, title, subtitle and symbol of each section, in order, whatever the state.
        row("sections: in order", "out both idle",
            list("setup|Setup|Account and capabilities|checklist|app|App|Behavior and "
                 "shortcut|slider.horizontal.3|writing|Writing|Tone and language "
                 "defaults|text.quote"));
        // The descriptions of professional, concise, creative, casual, persuasive and grammar_fix,
        // then "Concise": a known tone in another case falls back to the minimal one.
        row("tones: descriptions", "out both idle",
            list("Clearer and more polished for clients and formal communication.|Removes filler "
                 "and gets to the point faster.|Adds energy, vocabulary, and rhythm.|Looser, "
                 "warmer, "
                 "and more conversational.|More action-oriented and convincing.|Makes the minimum "
                 "necessary corrections.|Makes the minimum necessary corrections."));
        // The header chip, the readiness line, then the value of each readiness row.
        row("summary: fresh install", "out unchecked idle",
            list("Needs setup|0 of 3 core steps complete|Needs setup|Sign in "
                 "required|Default • Auto-detect"));
        row("summary: missing permission, signed in", "in input-only idle",
            list("Needs setup|1 of 3 core steps complete|Needs setup|Connected|Default • "
                 "Auto-detect"));
        row("summary: permissions, signed out", "out both idle",
            list("Account required|1 of 3 core steps complete|Ready|Sign in required|Default "
                 "• Auto-detect"));
        row("summary: all done", "in both succeeded",
            list("Ready|3 of 3 core steps complete|Ready|Connected|Default • Auto-detect"));

        row("checklist: nothing done", "out none idle",
            list("Needed to see the shortcut and to replace the selected text. See below for what "
                 "this session offers.|Sign in once to unlock online rewriting.|Select text and "
                 "press Super+Shift+L"));
        row("checklist: everything done", "in both succeeded",
            list("✓ Both work in this session.|✓ Your rewrite service is ready.|✓ You have "
                 "already completed a rewrite."));
        row("checklist: a failed rewrite is not done", "in both failed: Boom.",
            list("✓ Both work in this session.|✓ Your rewrite service is ready.|Select text and "
                 "press Super+Shift+L"));

        // Status, caption, button title, whether it is enabled and bordered.
        row("account: signed out", "out both idle", list("Not connected||Sign in|enabled|plain"));
        row("account: signing in", "signing both idle",
            list("Signing in|Browser handoff in progress|Sign in|disabled|plain"));
        row("account: signed in", "in both idle", list("Connected||Sign out|enabled|bordered"));

        // Whether the global shortcut and text replacement show as working.
        row("capabilities: unchecked shows as not working", "out unchecked idle", list("no|no"));
        row("capabilities: shortcut only", "out input-only idle", list("works|no"));
        row("capabilities: both", "out both idle", list("works|works"));
    }

    void parts()
    {
        QFETCH(QString, state);
        const test::ModelStates m(state);
        const QString part = QString(QTest::currentDataTag()).section(':', 0, 0);
        QStringList titles, shown;
        if (part == "sections") {
            for (const S::Section& s : S::sections())
                shown << s.id << s.title << s.subtitle << s.symbol;
        } else if (part == "tones") {
            for (const char* tone : {"professional", "concise", "creative", "casual", "persuasive",
                                     "grammar_fix", "Concise"})
                shown << S::toneDescription(tone);
        } else if (part == "summary") {
            shown << S::headerChip(m.model) << S::readinessLine(m.model);
            for (const S::ReadinessLine& line : S::readinessLines(m.model)) {
                titles << line.label;
                shown << line.value;
            }
            QCOMPARE(titles,
                     (QStringList{"Shortcut and text replacement", "Account", "Writing defaults"}));
        } else if (part == "checklist") {
            for (const ChecklistRow& line : S::checklist(m.model)) {
                titles << line.title;
                shown << (line.complete ? "✓ " : "") + line.subtitle;
            }
            QCOMPARE(titles, list("Check the shortcut and text replacement|Connect your "
                                  "account|Test one rewrite"));
        } else if (part == "account") {
            const S::AccountCard card = S::accountCard(m.model);
            shown = {card.status, card.caption, card.button,
                     card.buttonEnabled ? "enabled" : "disabled",
                     card.bordered ? "bordered" : "plain"};
        } else if (part == "capabilities") {
            for (const S::CapabilityRow& r : S::capabilityRows(m.model)) {
                titles << r.title;
                shown << (r.works ? "works" : "no");
            }
            QCOMPARE(titles, list("Global shortcut|Text replacement"));
        }
        QTEST(shown, "shown");
    }

    // The chip turns green exactly when it says "Ready".
    void theHeaderChipIsGreenOnlyWhenReady()
    {
        struct Row
        {
            const char* state;
            bool ready;
        };
        const Row rows[] = {{"out unchecked idle", false},      {"in input-only idle", false},
                            {"in none succeeded", false},       {"out both idle", false},
                            {"signing both idle", false},       {"in both idle", true},
                            {"in-noemail both succeeded", true}};
        for (const Row& row : rows) {
            test::ModelStates m(row.state);
            QVERIFY2(S::ready(m.model) == row.ready, row.state);
            QVERIFY2((S::headerChip(m.model) == "Ready") == row.ready, row.state);
            QCOMPARE(S(m.model).property("ready").toBool(), row.ready);
        }
    }

    // The window's title line reads the chosen section; a name it does not know shows the
    // first section, as the content does.
    void theChosenSectionIsFoundByItsId()
    {
        test::ModelStates m("out both idle");
        const S presenter(m.model);
        const QVariantMap writing = presenter.sectionValue("writing");
        QCOMPARE(writing.value("title").toString(), "Writing");
        QCOMPARE(writing.value("subtitle").toString(), "Tone and language defaults");
        QCOMPARE(presenter.sectionValue("app").value("id").toString(), "app");
        QCOMPARE(presenter.sectionValue("nonsense").value("id").toString(), "setup");
        QCOMPARE(presenter.sectionValue("").value("title").toString(), "Setup");
    }

    // How each capability works in the session, or why not, and the one button that helps.
    void capabilityRowsSayHowAndOfferOnlyWhatWorks()
    {
        using R = GlobalShortcutRoute;
        struct Row
        {
            const char* name;
            R route;
            bool taken;
            bool canAdd;
            bool owns;
            bool accessibility;
            bool paste;
            QString shortcut;    // sub-line | button | action
            QString replacement; // sub-line | button | action
        };
        const QString both =
            "Through the accessibility bus (AT-SPI) in applications that "
            "support it, else a synthetic paste that gives your clipboard back.||0";
        const Row rows[] = {
            {"x11", R::keyGrab, false, false, false, true, true,
             "Through a key grab on the X server: press Super+Shift+L in any application.||0",
             both},
            {"taken", R::keyGrab, true, false, false, false, true,
             "Super+Shift+L is taken by another program or by the desktop. Super+Shift+A is "
             "free.|Use Super+Shift+A|5",
             "Through a synthetic paste; your clipboard is given back afterwards.||0"},
            {"portal", R::desktopPortal, false, false, false, true, false,
             "Through the desktop's global shortcut portal: press Super+Shift+L in any "
             "application.||0",
             "Through the accessibility bus (AT-SPI), in applications that support it.||0"},
            {"gnome, none yet", R::unavailable, false, true, false, true, false,
             "GNOME has no global shortcut portal, but it can run velto --trigger from a custom "
             "shortcut: Velto can add Super+Shift+L there.|Add the shortcut to GNOME|6",
             "Through the accessibility bus (AT-SPI), in applications that support it.||0"},
            {"gnome, velto's", R::desktopCustomShortcut, false, false, true, true, false,
             "Through a GNOME custom shortcut that runs velto --trigger: press Super+Shift+L in "
             "any application.|Remove from GNOME|7",
             "Through the accessibility bus (AT-SPI), in applications that support it.||0"},
            {"user's own", R::desktopCustomShortcut, false, false, false, true, false,
             "Through a shortcut in your desktop's settings that runs velto --trigger.||0",
             "Through the accessibility bus (AT-SPI), in applications that support it.||0"},
            {"nothing", R::unavailable, false, false, false, false, false,
             "No portal. Bind velto --trigger to a shortcut in your desktop's settings "
             "instead.|Open Help|8",
             "No route.|Open Help|9"},
        };
        for (const Row& row : rows) {
            test::ModelStates m("in both idle");
            SessionCapabilities session;
            session.shortcutRoute = row.route;
            session.shortcutTaken = row.taken;
            session.canAddDesktopShortcut = row.canAdd;
            session.ownsDesktopShortcut = row.owns;
            session.accessibilityReplacement = row.accessibility;
            session.pasteReplacement = row.paste;
            session.shortcutProblem = QStringLiteral("No portal.");
            session.replacementProblem = QStringLiteral("No route.");
            m.model.setCapabilities(session);
            const auto shown = [](const S::CapabilityRow& r) {
                return QStringLiteral("%1|%2|%3").arg(r.subtitle, r.buttonTitle).arg(int(r.action));
            };
            QCOMPARE(shown(S::shortcutRow(m.model)), row.shortcut);
            QCOMPARE(shown(S::replacementRow(m.model)), row.replacement);
        }
    }

    void theEditorSaysTakenAndUsesTheFreeOneAsAChoice()
    {
        test::ModelStates m("in both idle");
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

    // The shortcut field, badge and key menu. Steps, space-separated: "type:TEXT" is the field's
    // text after a keystroke, "badge" the Shift badge, "menu:N" the key menu ("menu:current" its
    // current key), "key:ID" and "shift:on|off" a change of the model made elsewhere. Then the
    // model's key and Shift flag, the field, its hint and how often the shortcut-changed handler
    // ran.
    void shortcutEditing_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("key");
        QTest::addColumn<bool>("shift");
        QTest::addColumn<QString>("input");
        QTest::addColumn<bool>("invalid");
        QTest::addColumn<int>("calls");
        row("starts from the model", "", "l", false, "Super+L", false, 0);
        row("bare letter sets the hint", "type:K", "l", false, "K", true, 0);
        row("then Super+K applies at once", "type:K type:Super+K", "k", false, "Super+K", false, 1);
        row("old habits: ⌘K", "type:⌘K", "k", false, "Super+K", false, 1);
        row("Meta+Shift+W changes both: two calls", "type:Meta+Shift+W", "w", true, "Super+Shift+W",
            false, 2);
        row("the same shortcut changes nothing", "type:Win+L", "l", false, "Win+L", false, 0);
        row("clearing keeps shortcut and hint", "type:x type:", "l", false, "", true, 0);
        row("clearing after a valid one keeps it valid", "type:Super+R type:", "r", false, "",
            false, 1);
        row("the Shift badge flips once", "key:k badge", "k", true, "Super+Shift+K", false, 2);
        row("choosing the same key does nothing", "menu:current", "l", false, "Super+L", false, 0);
        row("choosing another key, then none", "menu:0 menu:99 menu:-1", "a", false, "Super+A",
            false, 1);
        row("an equal assignment elsewhere is no change", "key:l shift:off", "l", false, "Super+L",
            false, 0);
    }

    void shortcutEditing()
    {
        QFETCH(QString, steps);
        test::ModelStates m;
        // From Super+L, a combination the user chose before.
        m.model.chooseShortcut(QStringLiteral("l"), false);
        int calls = 0;
        ShortcutEditor editor{m.model, [&calls] { ++calls; }};
        for (const QString& step : steps.split(' ', Qt::SkipEmptyParts)) {
            const QString arg = step.section(':', 1);
            if (step.startsWith("type:"))
                editor.edit(arg);
            else if (step == "badge")
                editor.toggleShift();
            else if (step.startsWith("menu:"))
                editor.chooseKey(arg == "current" ? editor.keyIndex() : arg.toInt());
            else if (step.startsWith("key:"))
                m.model.setShortcutKeyID(arg);
            else if (step.startsWith("shift:"))
                m.model.setShortcutRequiresShift(arg == "on");
        }
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
