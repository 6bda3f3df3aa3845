#include "ui/SettingsPresenter.h"
#include "ModelSetup.h"
#include "ModelStates.h"
#include "support/TestRegistry.h"

#include <QTest>

using namespace velto;
using S = SettingsPresenter;

class SettingsPresenterTest : public QObject
{
    Q_OBJECT

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

    void summaries_data()
    {
        QTest::addColumn<QString>("auth");
        QTest::addColumn<QString>("permissions");
        QTest::addColumn<QString>("rewrite");
        QTest::addColumn<QString>("chip");
        QTest::addColumn<QString>("readiness");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("fresh install")
            << "out"
            << "unchecked"
            << "idle"
            << "Needs setup"
            << "0 of 3 core steps complete"
            << QStringList{"Needs setup", "Sign in required", "Default • Auto-detect"};
        QTest::newRow("missing permission, signed in")
            << "in"
            << "input-only"
            << "idle"
            << "Needs setup"
            << "1 of 3 core steps complete"
            << QStringList{"Needs setup", "Connected", "Default • Auto-detect"};
        QTest::newRow("permissions, signed out")
            << "out"
            << "both"
            << "idle"
            << "Account required"
            << "1 of 3 core steps complete"
            << QStringList{"Ready", "Sign in required", "Default • Auto-detect"};
        QTest::newRow("all done") << "in"
                                  << "both"
                                  << "succeeded"
                                  << "Ready"
                                  << "3 of 3 core steps complete"
                                  << QStringList{"Ready", "Connected", "Default • Auto-detect"};
    }

    void summaries()
    {
        QFETCH(QString, auth);
        QFETCH(QString, permissions);
        QFETCH(QString, rewrite);
        QFETCH(QStringList, lines);
        test::ModelStates m;
        test::applyState(m.model, auth, permissions, rewrite);
        QTEST(S::headerChip(m.model), "chip");
        QTEST(S::readinessLine(m.model), "readiness");
        const QList<S::ReadinessLine> readiness = S::readinessLines(m.model);
        QCOMPARE(readiness.size(), 3);
        const QStringList labels{"Permissions", "Account", "Writing defaults"};
        for (int i = 0; i < 3; ++i)
            QCOMPARE(readiness.at(i), (S::ReadinessLine{labels.at(i), lines.at(i)}));
    }

    void writingLines()
    {
        test::ModelStates m;
        m.model.setToneID("concise");
        m.model.setLanguageID("french");
        QCOMPARE(S::currentDefaultLine(m.model), "Current default: Concise in French");
        QCOMPARE(S::readinessLines(m.model).at(2).value, "Concise • French");
        QCOMPARE(S::workflowSentence(m.model),
                 "Select text in any app, then press Super+L to rewrite it in place.");
        m.model.setShortcutRequiresShift(true);
        QCOMPARE(S::workflowSentence(m.model),
                 "Select text in any app, then press Super+Shift+L to rewrite it in place.");
    }

    void toneDescriptions_data()
    {
        QTest::addColumn<QString>("tone");
        QTest::addColumn<QString>("description");
        QTest::newRow("professional")
            << "professional"
            << "Clearer and more polished for clients and formal communication.";
        QTest::newRow("concise") << "concise"
                                 << "Removes filler and gets to the point faster.";
        QTest::newRow("creative") << "creative"
                                  << "Adds energy, vocabulary, and rhythm.";
        QTest::newRow("casual") << "casual"
                                << "Looser, warmer, and more conversational.";
        QTest::newRow("persuasive") << "persuasive"
                                    << "More action-oriented and convincing.";
        QTest::newRow("grammar_fix") << "grammar_fix"
                                     << "Makes the minimum necessary corrections.";
        QTest::newRow("a server-only tone") << "pirate"
                                            << "Makes the minimum necessary corrections.";
        QTest::newRow("case matters") << "Concise"
                                      << "Makes the minimum necessary corrections.";
    }

    void toneDescriptions()
    {
        QFETCH(QString, tone);
        QTEST(S::toneDescription(tone), "description");
    }

    void serverToneWithoutDescription()
    {
        test::ModelStates m;
        m.model.applyServerConfig({{"pirate", "Pirate"}}, {{"auto", "Auto-detect"}}, "pirate",
                                  "auto");
        S presenter(m.model);
        QCOMPARE(presenter.toneDescriptionText(), "Makes the minimum necessary corrections.");
    }

    void checklist_data()
    {
        QTest::addColumn<QString>("auth");
        QTest::addColumn<QString>("permissions");
        QTest::addColumn<QString>("rewrite");
        QTest::addColumn<QStringList>("subtitles");
        QTest::addColumn<QList<bool>>("complete");
        QTest::newRow("nothing done")
            << "out"
            << "none"
            << "idle"
            << QStringList{"Required for shortcut detection and text replacement.",
                           "Sign in once to unlock online rewriting.",
                           "Select text and press Super+L"}
            << QList<bool>{false, false, false};
        QTest::newRow("everything done")
            << "in"
            << "both"
            << "succeeded"
            << QStringList{"Input Monitoring and Accessibility are enabled.",
                           "Your rewrite service is ready.",
                           "You have already completed a rewrite."}
            << QList<bool>{true, true, true};
        QTest::newRow("failed rewrite is not done")
            << "in"
            << "both"
            << "failed"
            << QStringList{"Input Monitoring and Accessibility are enabled.",
                           "Your rewrite service is ready.", "Select text and press Super+L"}
            << QList<bool>{true, true, false};
    }

    void checklist()
    {
        QFETCH(QString, auth);
        QFETCH(QString, permissions);
        QFETCH(QString, rewrite);
        QFETCH(QStringList, subtitles);
        QFETCH(QList<bool>, complete);
        test::ModelStates m;
        test::applyState(m.model, auth, permissions, rewrite,
                         rewrite == "failed" ? QStringLiteral("Boom.") : QString());
        const QList<ChecklistRow> rows = S::checklist(m.model);
        const QStringList titles{"Enable permissions", "Connect your account", "Test one rewrite"};
        QCOMPARE(rows.size(), 3);
        for (int i = 0; i < 3; ++i)
            QCOMPARE(rows.at(i), (ChecklistRow{titles.at(i), subtitles.at(i), complete.at(i)}));
    }

    void accountCard_data()
    {
        QTest::addColumn<QString>("auth");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<bool>("bordered");
        QTest::newRow("signed out") << "out"
                                    << "Not connected"
                                    << ""
                                    << "Sign in" << true << false;
        QTest::newRow("signing in") << "signing"
                                    << "Signing in"
                                    << "Browser handoff in progress"
                                    << "Sign in" << false << false;
        QTest::newRow("signed in") << "in"
                                   << "Connected"
                                   << ""
                                   << "Sign out" << true << true;
    }

    void accountCard()
    {
        QFETCH(QString, auth);
        test::ModelStates m;
        test::applyState(m.model, auth, "both", "idle");
        const S::AccountCard card = S::accountCard(m.model);
        QTEST(card.status, "status");
        QTEST(card.caption, "caption");
        QTEST(card.button, "button");
        QTEST(card.buttonEnabled, "enabled");
        QTEST(card.bordered, "bordered");
    }

    void permissionRows_data()
    {
        QTest::addColumn<QString>("permissions");
        QTest::addColumn<bool>("input");
        QTest::addColumn<bool>("accessibility");
        QTest::newRow("unchecked shows as not granted") << "unchecked" << false << false;
        QTest::newRow("input only") << "input-only" << true << false;
        QTest::newRow("both") << "both" << true << true;
    }

    void permissionRows()
    {
        QFETCH(QString, permissions);
        test::ModelStates m;
        test::applyState(m.model, "out", permissions, "idle");
        const QList<S::PermissionRow> rows = S::permissionRows(m.model);
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows.at(0).title, "Input Monitoring");
        QCOMPARE(rows.at(0).subtitle, "Required so Velto can listen for the global shortcut");
        QCOMPARE(rows.at(1).title, "Accessibility");
        QCOMPARE(rows.at(1).subtitle,
                 "Required so Velto can replace the selected text in other apps");
        QCOMPARE(rows.at(0).buttonTitle, "Enable");
        QCOMPARE(rows.at(1).buttonTitle, "Enable");
        QTEST(rows.at(0).granted, "input");
        QTEST(rows.at(1).granted, "accessibility");
    }
};

VELTO_REGISTER_TEST(SettingsPresenterTest);
#include "SettingsPresenterTest.moc"
