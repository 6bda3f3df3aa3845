// Renders every state of the quick panel and each section of the settings window, in a light
// and a dark palette, to PNG files for review: velto-screenshots OUTPUT_DIR
#include "ModelStates.h"
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

QPalette paletteFor(bool dark)
{
    QPalette palette;
    const QColor window = dark ? QColor(0x23, 0x24, 0x28) : QColor(0xf2, 0xf2, 0xf4);
    const QColor text = dark ? QColor(0xf0, 0xf0, 0xf0) : QColor(0x1d, 0x1d, 0x1f);
    palette.setColor(QPalette::Window, window);
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Base, dark ? QColor(0x1b, 0x1c, 0x1f) : Qt::white);
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::Button, window);
    palette.setColor(QPalette::ButtonText, text);
    return palette;
}

bool save(QQuickView& view, const QString& path)
{
    view.show();
    if (!QTest::qWaitForWindowExposed(&view))
        return false;
    QTest::qWait(50);
    const QImage image = view.grabWindow();
    if (image.isNull() || !image.save(path))
        return false;
    std::printf("%s\n", qPrintable(path));
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fputs("usage: velto-screenshots OUTPUT_DIR\n", stderr);
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(out);

    int failures = 0;
    for (const bool dark : {false, true}) {
        QGuiApplication::setPalette(paletteFor(dark));
        const QString look = dark ? QStringLiteral("dark") : QStringLiteral("light");
        // A fresh engine per look: the theme singleton is made once per engine.
        ViewEngine engine;
        for (const auto& [name, state] : test::ModelStates::panelStates()) {
            test::ModelStates states(state);
            if (name == "notice")
                states.model.setNotice(
                    UserNoticeStyle::success, QStringLiteral("Rewrite complete"),
                    QStringLiteral("Your selected text was replaced using Default."));
            QuickPanelViewController panel(states.model, {}, engine);
            QQuickView* view = panel.view();
            if (!view || !save(*view, QStringLiteral("%1/panel-%2-%3.png").arg(out, name, look)))
                ++failures;
        }
        for (const char* section : {"setup", "app", "writing"}) {
            test::ModelStates states(QString::fromLatin1(section) == "setup" ? "out input-only idle"
                                                                             : "in both idle");
            SettingsViewController settings(states.model, {}, engine);
            QQuickView* view = settings.view();
            if (view)
                view->rootObject()->setProperty("selectedSection", section);
            if (!view || !save(*view, QStringLiteral("%1/settings-%2-%3.png")
                                          .arg(out, QString::fromLatin1(section), look)))
                ++failures;
        }
    }
    return failures == 0 ? 0 : 1;
}
