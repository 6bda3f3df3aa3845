#include "e2e/app/AppRig.h"

using namespace Qt::Literals::StringLiterals;

namespace velto::test {

QStringList AppRig::localEngine()
{
    return {u"--engine"_s, u"local"_s, u"--poll-interval-ms"_s, u"200"_s};
}

QString AppRig::start(const QString& document, const QJsonObject& preferences,
                      const QStringList& serverOptions)
{
    if (const QString failed = server.start(QStringList{u"--data"_s, data.path()} + serverOptions);
        !failed.isEmpty())
        return failed;
    editor = std::make_unique<EditorWindow>(document);
    if (!editor->start())
        return u"l3afpad did not start"_s;
    return startApp(preferences);
}

QString AppRig::startApp(const QJsonObject& preferences)
{
    app = std::make_unique<VeltoAppProcess>(QStringLiteral(VELTO_APP_BINARY),
                                            QStringLiteral(VELTO_RECORDING_BIN));
    for (auto preference = preferences.begin(); preference != preferences.end(); ++preference)
        app->setPreference(preference.key(), preference.value());
    return app->start();
}

QString AppRig::signIn()
{
    if (!editor->activate())
        return u"the editor did not come to the front"_s;
    const QString failed = app->signInFromShortcut(server, keyboard);
    return failed.isEmpty() ? failed : app->report(failed);
}

bool AppRig::stop()
{
    app.reset();
    editor.reset();
    return server.stop();
}

} // namespace velto::test
