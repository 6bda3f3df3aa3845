#pragma once

#include "app/AppDelegate.h"
#include "auth/AuthService.h"
#include "fakes/auth/FakeClock.h"
#include "fakes/auth/MemoryKeychainStore.h"
#include "fakes/http/FakeBackend.h"
#include "fakes/model/MemoryPreferences.h"
#include "fakes/model/RecordingLogSink.h"
#include "fakes/platform/FakeAlerts.h"
#include "fakes/platform/FakeAutostart.h"
#include "fakes/platform/FakeClipboard.h"
#include "fakes/platform/FakeDesktopShortcuts.h"
#include "fakes/platform/FakeEventLog.h"
#include "fakes/platform/FakeFocusedSelection.h"
#include "fakes/platform/FakeGlobalKeyMonitor.h"
#include "fakes/platform/FakeGlobalKeyTap.h"
#include "fakes/platform/FakeSessionAccess.h"
#include "fakes/platform/FakeSleeper.h"
#include "fakes/platform/FakeSoundPlayer.h"
#include "fakes/platform/FakeSyntheticKeys.h"
#include "fakes/platform/FakeWorkspace.h"
#include "model/AppModel.h"
#include "model/ClientLogger.h"
#include "model/UserPreferencesStore.h"
#include "net/HttpClient.h"
#include "rewrite/RewriteAPI.h"

#include <QSignalSpy>
#include <QTest>
#include <nlohmann/json.hpp>

namespace velto::test {

using namespace velto::fakes;

// The controller over fakes of every desktop service and a scripted backend; the session
// and rewrite clients are the real ones.
struct ControllerRig
{
    // signedIn: a valid session waits in the keychain when the session store starts.
    explicit ControllerRig(bool signedIn = false,
                           std::shared_ptr<MemoryPreferences> sharedPreferences = {})
        : defaults(sharedPreferences ? sharedPreferences : std::make_shared<MemoryPreferences>()),
          preferences(defaults)
    {
        previousSink = ClientLogger::setSink(log);
        if (signedIn)
            storeSession();
        auth = std::make_unique<AuthService>(keychain, http, clock);
        delegate = std::make_unique<AppDelegate>(services());
        workspace.active = sourceApp;
        backend.on("GET", "/config",
                   FakeResponse::json(200, R"({"tones":[{"id":"grammar_fix","title":"Default"},
            {"id":"formal","title":"Formal"}],"languages":[{"id":"auto","title":"Auto-detect"}],
            "defaults":{"tone":"grammar_fix","language":"auto"}})"));
    }

    ~ControllerRig()
    {
        waitIdle();
        delegate.reset();
        ClientLogger::setSink(previousSink);
    }

    AppServices services() { return services(sessionAccess, tap, monitor, desktopShortcuts); }

    // The same services with real shortcut adapters in place of the fakes.
    AppServices services(SessionAccess& session, GlobalKeyTap& keyTap, GlobalKeyMonitor& keyMonitor,
                         DesktopShortcuts& shortcuts)
    {
        auto config = [this] {
            if (configError)
                throw *configError;
            return AppBuildConfig{AppRuntimeMode::release, backend.baseURL(),
                                  backend.baseURL().toString(), "anon", "email"};
        };
        std::function<void()> terminate = [this] { ++terminations; };
        std::function<void()> activate = [this] { ++activations; };
        std::function<void(const QString&)> copy = [this](const QString& text) { copied << text; };
        return {session,     keyTap,    keyMonitor, keys,      clipboard, selection, workspace,
                autostart,   sound,     alerts,     sleeper,   *clock,    *auth,     api,
                preferences, shortcuts, config,     terminate, activate,  copy};
    }

    void storeSession()
    {
        const StoredAuthSession session{"access-1", "refresh-1", clock->now() + 3600, "user-1",
                                        "ada@example.test"};
        keychain->items.insert({AuthService::keychainService, AuthService::keychainAccount},
                               session.encoded());
    }

    // Launches with the first-run guide already seen, so no alert interrupts the test.
    void launch(bool guideSeen = true)
    {
        if (guideSeen)
            preferences.setDidShowFirstRunGuide(true);
        delegate->applicationDidFinishLaunching();
        waitIdle();
    }

    void waitIdle()
    {
        if (delegate)
            QVERIFY(QTest::qWaitFor([this] { return delegate->isIdle(); }, 10000));
    }

    AppModel& model() { return *delegate->model(); }

    // The notice as "title | message", or "<none>".
    QString noticeText()
    {
        const std::optional<UserNotice>& notice = model().notice();
        return notice ? notice->title + " | " + notice->message : QStringLiteral("<none>");
    }

    // Each alert shown as "style: title | text [buttons]".
    QStringList alertsShown() const
    {
        const char* styles[] = {"info", "warning", "critical"};
        QStringList result;
        for (const Alert& a : alerts.shown)
            result << QStringLiteral("%1: %2 | %3 [%4]")
                          .arg(styles[int(a.style)], a.messageText, a.informativeText,
                               a.buttons.join(", "));
        return result;
    }

    qsizetype sent(const QByteArray& method, const QString& path) const
    {
        return backend.requests(method, path).size();
    }

    bool waitForRequest(const QByteArray& method, const QString& path)
    {
        return QTest::qWaitFor([&] { return sent(method, path) > 0; });
    }

    static QByteArray handoffStart(const QByteArray& handoff, int lifetime = 600,
                                   int interval = 500)
    {
        return "{\"handoff_id\":\"" + handoff +
               "\",\"login_url\":\"http://127.0.0.1:9/login?h=" + handoff +
               "\",\"expires_in_seconds\":" + QByteArray::number(lifetime) +
               ",\"poll_interval_ms\":" + QByteArray::number(interval) + "}";
    }

    // A sign-in the backend accepts and leaves pending until a test says otherwise.
    void serveSignIn()
    {
        backend.on("POST", "/auth/handoff/start", FakeResponse::json(200, handoffStart("h1")));
        backend.on("POST", "/auth/handoff/exchange",
                   FakeResponse::json(200, R"({"access_token":"access-2","refresh_token":
            "refresh-2","expires_in":3600,"user":{"id":"user-2","email":"grace@example.test"}})"));
        backend.on("POST", "/auth/handoff/cancel", FakeResponse::json(200, "{}"));
        backend.on("GET", "/auth/handoff/poll", FakeResponse::json(200, R"({"status":"pending"})"));
    }

    FakeBackend backend;
    std::shared_ptr<MemoryKeychainStore> keychain = std::make_shared<MemoryKeychainStore>();
    std::shared_ptr<FakeClock> clock = std::make_shared<FakeClock>();
    std::shared_ptr<HttpClient> http = std::make_shared<HttpClient>();
    std::unique_ptr<AuthService> auth;
    RewriteAPI api{http};
    std::shared_ptr<MemoryPreferences> defaults;
    UserPreferencesStore preferences;

    FakeEventLog events;
    FakeSessionAccess sessionAccess;
    FakeGlobalKeyTap tap;
    FakeDesktopShortcuts desktopShortcuts;
    FakeGlobalKeyMonitor monitor;
    FakeSyntheticKeys keys{&events};
    FakeClipboard clipboard{&events};
    FakeFocusedSelection selection;
    FakeWorkspace workspace{&events};
    FakeAutostart autostart;
    FakeSoundPlayer sound;
    FakeAlerts alerts;
    FakeSleeper sleeper{&events};

    std::optional<AppError> configError;
    int terminations = 0;
    int activations = 0;
    // What Velto put on the clipboard through its own window, at the user's request.
    QStringList copied;
    RunningApplication sourceApp{4242, 7, QStringLiteral("editor")};

    std::shared_ptr<RecordingLogSink> log = std::make_shared<RecordingLogSink>();
    std::shared_ptr<LogSink> previousSink;
    std::unique_ptr<AppDelegate> delegate;
};

} // namespace velto::test
