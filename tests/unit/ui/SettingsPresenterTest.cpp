#include "ui/SettingsPresenter.h"
#include "ModelStates.h"
#include "support/TestRegistry.h"
#include "ui/ShortcutEditor.h"

#include <QTest>

using namespace velto;
using test::row;
using S = SettingsPresenter;

// One test a table of the settings: a row names a model state (see test::ModelStates) and what
// the settings show in it; a complete checklist line is ticked "✓ ". Then the shortcut editor.
class SettingsPresenterTest : public QObject
{
    Q_OBJECT

    static void columns()
    {
        QTest::addColumn<QString>("state");
        QTest::addColumn<QStringList>("shown");
    }

private slots:
    void sectionsInOrder()
    {
        QStringList rows;
        for (const S::Section& s : S::sections())
            rows << QStringList{s.id, s.title, s.subtitle, s.symbol}.join('|');
        QCOMPARE(rows, (QStringList{"setup|Setup|Account and permissions|checklist",
                                    "app|App|Behavior and shortcut|slider.horizontal.3",
                                    "writing|Writing|Tone and language defaults|text.quote"}));
    }

    // The shown lines: the header chip, the readiness line, then the value of each readiness row.
    void summaries_data()
    {
        columns();
        row("fresh install", "out unchecked idle",
            QStringList{"Needs setup", "0 of 3 core steps complete", "Needs setup",
                        "Sign in required", "Default • Auto-detect"});
        row("missing permission, signed in", "in input-only idle",
            QStringList{"Needs setup", "1 of 3 core steps complete", "Needs setup", "Connected",
                        "Default • Auto-detect"});
        row("permissions, signed out", "out both idle",
            QStringList{"Account required", "1 of 3 core steps complete", "Ready",
                        "Sign in required", "Default • Auto-detect"});
        row("all done", "in both succeeded",
            QStringList{"Ready", "3 of 3 core steps complete", "Ready", "Connected",
                        "Default • Auto-detect"});
    }

    void summaries()
    {
        QFETCH(QString, state);
        test::ModelStates m(state);
        QStringList labels;
        QStringList shown{S::headerChip(m.model), S::readinessLine(m.model)};
        for (const S::ReadinessLine& line : S::readinessLines(m.model)) {
            labels << line.label;
            shown << line.value;
        }
        QCOMPARE(labels, (QStringList{"Permissions", "Account", "Writing defaults"}));
        QTEST(shown, "shown");
    }

    void toneDescriptions_data()
    {
        QTest::addColumn<QString>("tone");
        QTest::addColumn<QString>("description");
        const char* fallback = "Makes the minimum necessary corrections.";
        row("professional", "professional",
            "Clearer and more polished for clients and formal communication.");
        row("concise", "concise", "Removes filler and gets to the point faster.");
        row("creative", "creative", "Adds energy, vocabulary, and rhythm.");
        row("casual", "casual", "Looser, warmer, and more conversational.");
        row("persuasive", "persuasive", "More action-oriented and convincing.");
        row("grammar_fix", "grammar_fix", fallback);
        row("case matters", "Concise", fallback);
    }

    void toneDescriptions()
    {
        QFETCH(QString, tone);
        QTEST(S::toneDescription(tone), "description");
    }

    void checklist_data()
    {
        columns();
        row("nothing done", "out none idle",
            QStringList{"Required for shortcut detection and text replacement.",
                        "Sign in once to unlock online rewriting.",
                        "Select text and press Super+L"});
        row("everything done", "in both succeeded",
            QStringList{"✓ Input Monitoring and Accessibility are enabled.",
                        "✓ Your rewrite service is ready.",
                        "✓ You have already completed a rewrite."});
        row("failed rewrite is not done", "in both failed: Boom.",
            QStringList{"✓ Input Monitoring and Accessibility are enabled.",
                        "✓ Your rewrite service is ready.", "Select text and press Super+L"});
    }

    void checklist()
    {
        QFETCH(QString, state);
        QStringList titles;
        QStringList shown;
        for (const ChecklistRow& line : S::checklist(test::ModelStates(state).model)) {
            titles << line.title;
            shown << (line.complete ? "✓ " : "") + line.subtitle;
        }
        QCOMPARE(titles,
                 (QStringList{"Enable permissions", "Connect your account", "Test one rewrite"}));
        QTEST(shown, "shown");
    }

    // The shown lines: status, caption, button title, whether it is enabled and bordered.
    void accountCard_data()
    {
        columns();
        row("signed out", "out both idle",
            QStringList{"Not connected", "", "Sign in", "enabled", "plain"});
        row("signing in", "signing both idle",
            QStringList{"Signing in", "Browser handoff in progress", "Sign in", "disabled",
                        "plain"});
        row("signed in", "in both idle",
            QStringList{"Connected", "", "Sign out", "enabled", "bordered"});
    }

    void accountCard()
    {
        QFETCH(QString, state);
        const S::AccountCard card = S::accountCard(test::ModelStates(state).model);
        QTEST((QStringList{card.status, card.caption, card.button,
                           card.buttonEnabled ? "enabled" : "disabled",
                           card.bordered ? "bordered" : "plain"}),
              "shown");
    }

    void permissionRows_data()
    {
        QTest::addColumn<QString>("state");
        QTest::addColumn<QList<bool>>("granted");
        row("unchecked shows as not granted", "out unchecked idle", QList<bool>{false, false});
        row("input only", "out input-only idle", QList<bool>{true, false});
        row("both", "out both idle", QList<bool>{true, true});
    }

    void permissionRows()
    {
        QFETCH(QString, state);
        QStringList texts;
        QList<bool> granted;
        for (const S::PermissionRow& r : S::permissionRows(test::ModelStates(state).model)) {
            texts << r.title << r.subtitle << r.buttonTitle;
            granted << r.granted;
        }
        QCOMPARE(texts,
                 (QStringList{
                     "Input Monitoring", "Required so Velto can listen for the global shortcut",
                     "Enable", "Accessibility",
                     "Required so Velto can replace the selected text in other apps", "Enable"}));
        QTEST(granted, "granted");
    }

    // The shortcut field, badge and key menu. Steps: "type:TEXT" is the field's text after a
    // keystroke, "badge" the Shift badge, "menu:N" the key menu ("menu:current" its current key),
    // "key:ID" and "shift:on|off" a change of the model made elsewhere. Then the model's key and
    // Shift flag, the field, its hint and how often the shortcut-changed handler ran.
    void shortcutEditing_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("key");
        QTest::addColumn<bool>("shift");
        QTest::addColumn<QString>("input");
        QTest::addColumn<bool>("invalid");
        QTest::addColumn<int>("calls");
        row("starts from the model", QStringList{}, "l", false, "Super+L", false, 0);
        row("bare letter sets the hint", QStringList{"type:K"}, "l", false, "K", true, 0);
        row("then Super+K applies at once", QStringList{"type:K", "type:Super+K"}, "k", false,
            "Super+K", false, 1);
        row("old habits: ⌘K", QStringList{"type:⌘K"}, "k", false, "Super+K", false, 1);
        row("Meta+Shift+W changes both: two calls", QStringList{"type:Meta+Shift+W"}, "w", true,
            "Super+Shift+W", false, 2);
        row("the same shortcut changes nothing", QStringList{"type:Win+L"}, "l", false, "Win+L",
            false, 0);
        row("clearing keeps shortcut and hint", QStringList{"type:x", "type:"}, "l", false, "",
            true, 0);
        row("clearing after a valid one keeps it valid", QStringList{"type:Super+R", "type:"}, "r",
            false, "", false, 1);
        row("the Shift badge flips once", QStringList{"key:k", "badge"}, "k", true, "Super+Shift+K",
            false, 2);
        row("choosing the same key does nothing", QStringList{"menu:current"}, "l", false,
            "Super+L", false, 0);
        row("choosing another key, then none", QStringList{"menu:0", "menu:99", "menu:-1"}, "a",
            false, "Super+A", false, 1);
        row("an equal assignment elsewhere is no change", QStringList{"key:l", "shift:off"}, "l",
            false, "Super+L", false, 0);
    }

    void shortcutEditing()
    {
        QFETCH(QStringList, steps);
        test::ModelStates m;
        int calls = 0;
        ShortcutEditor editor{m.model, [&calls] { ++calls; }};
        for (const QString& step : steps) {
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
