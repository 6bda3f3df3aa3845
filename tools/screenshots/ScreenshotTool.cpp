// Renders every state of the quick panel, each section of the settings window and the states of
// the preview window, in a light
// and a dark palette, to PNG files for review: velto-screenshots OUTPUT_DIR. The texts are in
// the language of the environment (LANGUAGE=de for German).
#include "ModelStates.h"
#include "model/AppErrorKind.h"
#include "platform/linux/SystemTranslations.h"
#include "ui/PreviewPresenter.h"
#include "ui/PreviewViewController.h"
#include "ui/QuickPanelViewController.h"
#include "ui/SettingsViewController.h"
#include "ui/ViewEngine.h"

#include <QDir>
#include <QGuiApplication>
#include <QPalette>
#include <QQuickItem>
#include <QQuickView>
#include <QTest>

#include <cstdio>

using namespace velto;

namespace {

bool save(QQuickView* view, const QString& path)
{
    if (!view)
        return false;
    view->show();
    if (!QTest::qWaitForWindowExposed(view))
        return false;
    QTest::qWait(50);
    if (!view->grabWindow().save(path)) // a null image does not save
        return false;
    std::printf("%s\n", qPrintable(path));
    return true;
}

// The sessions a name asks for: a taken shortcut on X11, GNOME on Wayland without a portal.
void applySession(AppModel& model, const QString& name)
{
    SessionCapabilities session;
    if (name.contains("taken")) {
        session.shortcutRoute = GlobalShortcutRoute::keyGrab;
        session.shortcutTaken = true;
        session.accessibilityReplacement = true;
        session.pasteReplacement = true;
    } else if (name.contains("gnome")) {
        session.shortcutProblem = QStringLiteral("This desktop has no global shortcut portal.");
        session.canAddDesktopShortcut = true;
        session.accessibilityReplacement = true;
    } else {
        return;
    }
    model.setCapabilities(session);
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    SystemTranslations::install(app);
    if (argc != 2) {
        std::fputs("usage: velto-screenshots OUTPUT_DIR\n", stderr);
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(out);
    using test::Auth;
    using test::Capabilities;
    using test::Rewrite;
    const test::ModelState ready{Auth::signedIn, Capabilities::both};
    const test::ModelState done{ready.auth, ready.capabilities, Rewrite::succeeded};
    // The panel's states by file name; "notice" adds a notice, the session ones a session.
    const struct
    {
        QString name;
        test::ModelState state;
    } panelStates[] = {
        {"ready", ready},
        {"sign-in-required", {Auth::signedOut, Capabilities::both}},
        {"signing-in", {Auth::signingIn, Capabilities::both}},
        {"permission-required", {Auth::signedOut, Capabilities::shortcutOnly}},
        {"rewriting", {ready.auth, ready.capabilities, Rewrite::running}},
        {"notice", done},
        {"setup-complete", done},
        {"error",
         {ready.auth, ready.capabilities, Rewrite::failed,
          "The rewrite service is not reachable."}},
        {"shortcut-taken", ready},
        {"gnome-wayland", ready},
    };

    int failures = 0;
    for (const bool dark : {false, true}) {
        // The palette Qt derives from a window colour: light or dark text, base and buttons.
        QGuiApplication::setPalette(
            QPalette(dark ? QColor(0x23, 0x24, 0x28) : QColor(0xf2, 0xf2, 0xf4)));
        const QString look = dark ? QStringLiteral("dark") : QStringLiteral("light");
        // A fresh engine per look: the theme singleton is made once per engine.
        ViewEngine engine;
        for (const auto& [name, state] : panelStates) {
            test::ModelStates states(state);
            applySession(states.model, name);
            if (name == "notice")
                states.model.setNotice(UserNoticeStyle::success,
                                       QCoreApplication::translate("Notices", "Rewrite complete"),
                                       QCoreApplication::translate(
                                           "Notices", "Your selected text was replaced using %1.")
                                           .arg(states.model.currentToneTitle()));
            QuickPanelViewController panel(states.model, {}, engine);
            failures +=
                !save(panel.view(), QStringLiteral("%1/panel-%2-%3.png").arg(out, name, look));
        }
        for (const QString name :
             {"setup", "app", "writing", "setup-gnome", "setup-taken", "app-taken"}) {
            const QString section = name.section('-', 0, 0);
            test::ModelStates states(
                name == "setup" ? test::ModelState{Auth::signedOut, Capabilities::shortcutOnly}
                                : ready);
            applySession(states.model, name);
            SettingsViewController settings(states.model, {}, engine);
            if (QQuickView* view = settings.view())
                view->rootObject()->setProperty("selectedSection", section);
            failures += !save(settings.view(),
                              QStringLiteral("%1/settings-%2-%3.png").arg(out, name, look));
        }
        // The preview: the first words streaming in, the whole rewrite, its changes, a failure.
        const QString original = QStringLiteral(
            "Their going to the meeting tomorow, but they has not prepared the slides yet.");
        const QString rewrite = QStringLiteral(
            "They're going to the meeting tomorrow, but they haven't prepared the slides yet.");
        for (const QString name : {"streaming", "finished", "changes", "error"}) {
            test::ModelStates states(
                test::ModelState{test::Auth::signedIn, test::Capabilities::both});
            PreviewPresenter presenter(states.model);
            presenter.start(original);
            if (name == "error") {
                presenter.fail(PresentableError::from(AppErrorKind::network, {}, {}));
            } else {
                presenter.appendPiece(name == "streaming" ? rewrite.left(34) : rewrite);
                if (name != "streaming")
                    presenter.finish();
            }
            presenter.setShowChanges(name == "changes");
            PreviewViewController preview(states.model, presenter, engine);
            failures +=
                !save(preview.view(), QStringLiteral("%1/preview-%2-%3.png").arg(out, name, look));
        }
    }
    return failures == 0 ? 0 : 1;
}
