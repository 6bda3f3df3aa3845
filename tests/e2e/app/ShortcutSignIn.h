#pragma once

#include <QString>
#include <QUrl>

namespace velto::test {

class VeltoAppProcess;
class VeltoServerProcess;
class XTestKeyboard;

// Signs in the way a user does the first time: presses the shortcut, chooses "Log in" on the
// "Sign in required" alert, lets the browser (the recording xdg-open) receive the sign-in page,
// presses Continue there, and waits until the app has exchanged the handoff for a session.
class ShortcutSignIn
{
public:
    ShortcutSignIn(VeltoAppProcess& app, VeltoServerProcess& server, XTestKeyboard& keyboard);

    // The reason when a step did not happen; empty on success.
    QString run();
    // The address the app had the desktop open.
    const QUrl& openedUrl() const { return m_openedUrl; }

private:
    QString acceptAlert();

    VeltoAppProcess& m_app;
    VeltoServerProcess& m_server;
    XTestKeyboard& m_keyboard;
    QUrl m_openedUrl;
};

} // namespace velto::test
