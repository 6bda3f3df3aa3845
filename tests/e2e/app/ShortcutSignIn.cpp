#include "e2e/app/ShortcutSignIn.h"

#include "e2e/app/VeltoAppProcess.h"
#include "e2e/support/ServerProcess.h"
#include "e2e/support/SignInBrowser.h"
#include "x11/support/EditorWindow.h"
#include "x11/support/XTestKeyboard.h"

#include <QTest>

namespace velto::test {

namespace {

constexpr std::uint32_t returnKey = 0xff0d;

QString acceptAlert(VeltoAppProcess& app, XTestKeyboard& keyboard)
{
    const QString pid = QString::number(app.pid());
    QByteArray alert;
    const bool shown = QTest::qWaitFor(
        [&] {
            alert = xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                             QStringLiteral("--pid"), pid})
                        .split('\n')
                        .first();
            return !alert.isEmpty();
        },
        10000);
    if (!shown)
        return QStringLiteral("no alert appeared after the shortcut");
    const QByteArray title = xdotool({QStringLiteral("getwindowname"), QString::fromLatin1(alert)});
    if (title != "Velto")
        return QStringLiteral("the alert's window is titled \"%1\"").arg(QString::fromUtf8(title));
    // It asks for the focus itself; make sure the key goes to it whatever the window manager
    // decided.
    if (!activateWindow(alert.toUInt()))
        return QStringLiteral("the alert did not get the focus");
    // Return presses the default button, "Log in".
    keyboard.chord({}, returnKey);
    const bool closed = QTest::qWaitFor(
        [&] {
            return xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                            QStringLiteral("--pid"), pid})
                .isEmpty();
        },
        5000);
    return closed ? QString() : QStringLiteral("the alert did not close on Return");
}

} // namespace

QString shortcutSignIn(VeltoAppProcess& app, ServerProcess& server, XTestKeyboard& keyboard)
{
    const QString exchanged = QStringLiteral("POST /auth/handoff/exchange 200");
    const int exchangedBefore = server.count(exchanged);
    const qsizetype openedBefore = app.openedUrls().size();
    keyboard.chord({XTestKeyboard::superL}, 'l');
    if (const QString failed = acceptAlert(app, keyboard); !failed.isEmpty())
        return failed;

    if (!QTest::qWaitFor([&] { return app.openedUrls().size() > openedBefore; }, 10000))
        return QStringLiteral("\"Log in\" did not open the browser");
    SignInBrowser browser;
    const SignInBrowser::Page answer =
        browser.press(browser.open(QUrl(app.openedUrls().at(openedBefore), QUrl::StrictMode)),
                      QStringLiteral("Continue"));
    if (answer.status != 200)
        return QStringLiteral("the browser step failed: %1 %2")
            .arg(answer.status)
            .arg(answer.error);
    if (!server.waitForRequests(exchanged, exchangedBefore + 1, 15000))
        return QStringLiteral("the app did not pick up the session");
    return {};
}

} // namespace velto::test
