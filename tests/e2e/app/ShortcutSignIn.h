#pragma once

#include <QString>

namespace velto::test {

class ServerProcess;
class VeltoAppProcess;
class XTestKeyboard;

// The port of the backend address the app is built for.
constexpr int appServerPort = 8787;

// Signs in the way a user does the first time: presses the shortcut, chooses "Log in" on the
// "Sign in required" alert, lets the browser (the recording xdg-open) receive the sign-in page,
// presses Continue there, and waits until the app has exchanged the handoff for a session.
// The reason when a step did not happen; empty on success.
QString shortcutSignIn(VeltoAppProcess& app, ServerProcess& server, XTestKeyboard& keyboard);

} // namespace velto::test
