#pragma once

#include "e2e/app/SelectionPeer.h"
#include "e2e/app/VeltoAppProcess.h"
#include "e2e/support/ServerProcess.h"
#include "x11/support/EditorWindow.h"
#include "x11/support/XTestKeyboard.h"

#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

namespace velto::test {

// The app on a real X11 desktop: velto-server on the port the app is built for, l3afpad editing a
// document, the `velto` binary, keys through XTest and another client owning the clipboard.
class AppRig
{
public:
    // velto-server's engine options for the end-to-end tests: the local engine, and a sign-in
    // polled often enough that waiting for it stays short.
    static QStringList localEngine();

    // Starts velto-server on `data` with these options, l3afpad with `document` and then the app
    // with `preferences` on top of a user's who chose Super+L; the reason when one does not start.
    QString start(const QString& document, const QJsonObject& preferences = {},
                  const QStringList& serverOptions = localEngine());
    // Starts the app (again, after a quit); the reason when it does not take the shortcut.
    QString startApp(const QJsonObject& preferences = {});
    // Brings the editor to the front and signs in from the shortcut, as a user does the first
    // time; the app's report when a step did not happen.
    QString signIn();
    // Ends the app and the editor, then stops the server; false when the server did not stop
    // cleanly (its log says why).
    bool stop();

    // The server's database; first, so that it outlives the server.
    QTemporaryDir data;
    ServerProcess server{QStringLiteral(VELTO_SERVER_BINARY), appServerPort};
    XTestKeyboard keyboard;
    SelectionPeer peer;
    std::unique_ptr<EditorWindow> editor;
    std::unique_ptr<VeltoAppProcess> app;
};

} // namespace velto::test
