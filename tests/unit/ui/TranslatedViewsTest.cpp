#include "ModelStates.h"
#include "ViewItems.h"
#include "model/PresentableError.h"
#include "platform/linux/SystemTranslations.h"
#include "ui/QuickPanelViewController.h"
#include "ui/SettingsViewController.h"
#include "ui/ViewEngine.h"

#include <QCoreApplication>
#include <QQuickItem>
#include <QQuickView>
#include <QTest>
#include <QTranslator>

using namespace velto;
using test::Auth;
using test::Capabilities;
using test::ModelState;

namespace {

// The text an item of the view shows, read by its objectName.
QString shown(QQuickView* view, const QString& name)
{
    QQuickItem* item = test::findItem(view->rootObject(), name);
    return item ? item->property("text").toString() : QStringLiteral("<no %1>").arg(name);
}

void show(QQuickView* view)
{
    QVERIFY(view);
    view->setVisible(true);
    QVERIFY(QTest::qWaitForWindowExposed(view));
}

struct Panel
{
    explicit Panel(const ModelState& state) : states(state) { show(controller.view()); }
    test::ModelStates states;
    ViewEngine engine;
    QuickPanelViewController controller{states.model, {}, engine};
};

struct Settings
{
    Settings()
    {
        controller.show();
        show(controller.view());
    }
    test::ModelStates states{ModelState{Auth::signedOut, Capabilities::both}};
    ViewEngine engine;
    SettingsViewController controller{states.model, {}, engine};
};

} // namespace

class TranslatedViewsTest : public QObject
{
    Q_OBJECT

private slots:
    // Each case starts without a catalogue, as a fresh program does.
    void cleanup()
    {
        for (QTranslator* translator : qApp->findChildren<QTranslator*>()) {
            QCoreApplication::removeTranslator(translator);
            delete translator;
        }
    }

    void anUnknownLanguageGivesEnglish()
    {
        QVERIFY(!SystemTranslations::install(*qApp, QLocale(QStringLiteral("xx_XX"))));
        Panel panel({Auth::signedOut, Capabilities::both});
        QCOMPARE(shown(panel.controller.view(), "headline"), "Connect your account");
        QCOMPARE(shown(panel.controller.view(), "settingsButton"), "Settings");
        // The English catalogue still gives the plural its form.
        Settings settings;
        QCOMPARE(shown(settings.controller.view(), "readinessLine"), "1 of 3 core steps complete");
    }

    void thePanelIsGermanInAGermanLocale()
    {
        QVERIFY(SystemTranslations::install(*qApp, QLocale(QStringLiteral("de_DE"))));
        Panel panel({Auth::signedOut, Capabilities::both});
        QQuickView* view = panel.controller.view();
        QCOMPARE(shown(view, "headline"), "Konto verbinden");
        QCOMPARE(shown(view, "mainTitle"), "Jetzt anmelden");
        QCOMPARE(shown(view, "settingsButton"), "Einstellungen");
        QCOMPARE(shown(view, "quitButton"), "Beenden");

        // A notice as the app words a failed rewrite that timed out.
        const PresentableError error = PresentableError::from(
            AppErrorKind::network, "The request timed out.", "Rewrite failed");
        panel.states.model.setNotice(error.style, error.title, error.message);
        QCOMPARE(shown(view, "noticeTitle"), "Netzwerkproblem");
        QVERIFY(shown(view, "noticeMessage").startsWith("Velto konnte den Umformulierungsdienst"));
    }

    void theSettingsAreGermanInAGermanLocale()
    {
        QVERIFY(SystemTranslations::install(*qApp, QLocale(QStringLiteral("de_DE"))));
        Settings settings;
        QQuickView* view = settings.controller.view();
        QCOMPARE(shown(view, "sectionTitle"), "Einrichtung");
        QCOMPARE(shown(view, "readinessLine"), "1 von 3 Grundschritten erledigt");
        QCOMPARE(shown(view, "headerChip"), "Konto erforderlich");
        QCOMPARE(shown(view, "accountAction"), "Anmelden");
    }
};

QTEST_MAIN(TranslatedViewsTest)
#include "TranslatedViewsTest.moc"
