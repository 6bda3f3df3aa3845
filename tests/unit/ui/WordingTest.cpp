#include "ModelStates.h"
#include "support/TestRegistry.h"
#include "ui/QuickPanelPresenter.h"
#include "ui/SettingsPresenter.h"
#include "ui/ShortcutEditor.h"

#include <QDir>
#include <QFile>
#include <QTest>

using namespace velto;

namespace {

// Words of another platform's permissions, which Linux does not have.
bool speaksOfPermissions(const QString& text)
{
    return text.contains(QStringLiteral("Input Monitoring"), Qt::CaseInsensitive) ||
           text.contains(QStringLiteral("Accessibility permission"), Qt::CaseInsensitive) ||
           text.contains(QStringLiteral("Enable Accessibility"), Qt::CaseInsensitive);
}

// Every text the panel, the settings and the shortcut editor show for the model.
QStringList shownTexts(AppModel& model)
{
    using Q = QuickPanelPresenter;
    using S = SettingsPresenter;
    QStringList texts;
    const Q::StatusSelection status = Q::statusSelection(model);
    texts << status.headline << status.subline << status.pillLabel;
    const Q::MainButton main = Q::mainButton(model);
    texts << main.title << main.subtitle << Q::explanationLine(model) << Q::setupProgressLine(model)
          << Q::setupPrimaryButton(model).title;
    for (const ChecklistRow& row : Q::setupRows(model) + S::checklist(model))
        texts << row.title << row.subtitle;
    for (const S::Section& section : S::sections())
        texts << section.title << section.subtitle;
    texts << S::headerChip(model) << S::readinessLine(model) << S::workflowSentence(model);
    for (const S::ReadinessLine& line : S::readinessLines(model))
        texts << line.label << line.value;
    for (const S::CapabilityRow& row : S::capabilityRows(model))
        texts << row.title << row.subtitle << row.buttonTitle;
    ShortcutEditor editor(model, {});
    texts << editor.takenLine() << editor.freeButtonTitle() << editor.hint()
          << editor.placeholder();
    return texts;
}

QString readSource(const QString& relative)
{
    QFile file(QStringLiteral(VELTO_SOURCE_DIR "/") + relative);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

} // namespace

// What a user reads speaks of the capabilities this session has, never of another platform's
// permissions: the views in every setup state, and the pages, manual and README they open.
class WordingTest : public QObject
{
    Q_OBJECT

private slots:
    void viewsNameCapabilitiesNotPermissions()
    {
        using R = GlobalShortcutRoute;
        struct Session
        {
            const char* name;
            R route;
            bool taken;
            bool canAdd;
            bool owns;
            bool accessibility;
            bool paste;
        };
        const Session sessions[] = {
            {"x11", R::keyGrab, false, false, false, true, true},
            {"x11 taken", R::keyGrab, true, false, false, true, true},
            {"plasma wayland", R::desktopPortal, false, false, false, true, true},
            {"gnome wayland", R::unavailable, false, true, false, true, false},
            {"gnome with velto's shortcut", R::desktopCustomShortcut, false, false, true, true,
             false},
            {"user's own shortcut", R::desktopCustomShortcut, false, false, false, false, true},
            {"bare wayland", R::unavailable, false, false, false, false, false},
        };
        int checked = 0;
        using test::Auth;
        using test::Capabilities;
        using test::Rewrite;
        const struct
        {
            const char* name;
            test::ModelState state;
        } states[] = {
            {"fresh", {Auth::signedOut, Capabilities::none}},
            {"all done", {Auth::signedIn, Capabilities::both, Rewrite::succeeded}},
            {"signing in", {Auth::signingIn}},
            {"failed", {Auth::signedIn, Capabilities::shortcutOnly, Rewrite::failed, "Boom"}},
        };
        for (const auto& [state, modelState] : states) {
            for (const Session& session : sessions) {
                test::ModelStates m{modelState};
                SessionCapabilities capabilities;
                capabilities.shortcutRoute = session.route;
                capabilities.shortcutTaken = session.taken;
                capabilities.canAddDesktopShortcut = session.canAdd;
                capabilities.ownsDesktopShortcut = session.owns;
                capabilities.accessibilityReplacement = session.accessibility;
                capabilities.pasteReplacement = session.paste;
                capabilities.shortcutProblem = QStringLiteral("No portal.");
                capabilities.replacementProblem = QStringLiteral("No route.");
                m.model.setCapabilities(capabilities);
                for (const QString& text : shownTexts(m.model)) {
                    QVERIFY2(
                        !speaksOfPermissions(text),
                        qPrintable(QStringLiteral("%1 / %2: %3").arg(state, session.name, text)));
                    ++checked;
                }
            }
        }
        QVERIFY(checked > 500);
    }

    void pagesManualAndViewsNameCapabilitiesNotPermissions()
    {
        QStringList files = {QStringLiteral("README.md"),
                             QStringLiteral("data/man/velto.1"),
                             QStringLiteral("data/app.velto.Velto.metainfo.xml.in"),
                             QStringLiteral("src/app/AppDelegate.cpp"),
                             QStringLiteral("src/app/main.cpp"),
                             QStringLiteral("src/system/HotkeyManagerError.h")};
        for (const QString& dir :
             {QStringLiteral("src/platform/linux/help"), QStringLiteral("src/ui/qml")}) {
            for (const QString& name : QDir(QStringLiteral(VELTO_SOURCE_DIR "/") + dir)
                                           .entryList({"*.html", "*.qml"}, QDir::Files))
                files << dir + u'/' + name;
        }
        QVERIFY(files.size() > 20);
        for (const QString& file : files) {
            const QString text = readSource(file);
            QVERIFY2(!text.isEmpty(), qPrintable(file));
            QVERIFY2(!speaksOfPermissions(text), qPrintable(file));
        }
        // The pages say how each capability works.
        QVERIFY(readSource("src/platform/linux/help/global-shortcut.html")
                    .contains(QStringLiteral("Add the shortcut to GNOME")));
        QVERIFY(readSource("src/platform/linux/help/text-replacement.html")
                    .contains(QStringLiteral("AT-SPI")));
    }
};

VELTO_REGISTER_TEST(WordingTest);
#include "WordingTest.moc"
