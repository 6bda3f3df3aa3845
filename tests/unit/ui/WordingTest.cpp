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
        using SC = SessionCapabilities;
        using test::sessionWith;
        const struct
        {
            const char* name;
            SessionCapabilities capabilities;
        } sessions[] = {
            {"x11",
             sessionWith(R::keyGrab, {&SC::accessibilityReplacement, &SC::pasteReplacement})},
            {"x11 taken",
             sessionWith(R::keyGrab, {&SC::shortcutTaken, &SC::accessibilityReplacement,
                                      &SC::pasteReplacement})},
            {"plasma wayland",
             sessionWith(R::desktopPortal, {&SC::accessibilityReplacement, &SC::pasteReplacement})},
            {"gnome wayland", sessionWith(R::unavailable, {&SC::canAddDesktopShortcut,
                                                           &SC::accessibilityReplacement})},
            {"gnome with velto's shortcut",
             sessionWith(R::desktopCustomShortcut,
                         {&SC::ownsDesktopShortcut, &SC::accessibilityReplacement})},
            {"user's own shortcut", sessionWith(R::desktopCustomShortcut, {&SC::pasteReplacement})},
            {"bare wayland", sessionWith(R::unavailable, {})},
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
            for (const auto& [name, capabilities] : sessions) {
                test::ModelStates m{modelState};
                SessionCapabilities session = capabilities;
                session.shortcutProblem = QStringLiteral("No portal.");
                session.replacementProblem = QStringLiteral("No route.");
                m.model.setCapabilities(session);
                for (const QString& text : shownTexts(m.model)) {
                    QVERIFY2(!speaksOfPermissions(text),
                             qPrintable(QStringLiteral("%1 / %2: %3").arg(state, name, text)));
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
