#include "app/RewriteFlow.h"

#include "app/AuthStateSync.h"
#include "app/ReturnToApplication.h"
#include "auth/AuthService.h"
#include "model/AppModel.h"
#include "model/ClientLogger.h"
#include "platform/Alerts.h"
#include "platform/CancellationToken.h"
#include "platform/Sleeper.h"
#include "platform/SoundPlayer.h"
#include "platform/Workspace.h"
#include "rewrite/ErrorKinds.h"
#include "rewrite/RewriteAPI.h"
#include "system/SelectionService.h"

namespace velto {

RewriteFlow::RewriteFlow(AppServices services, AppModel& model, Hooks hooks, QObject* parent)
    : QObject(parent), m_services(std::move(services)), m_model(model), m_hooks(std::move(hooks)),
      m_selection(std::make_unique<SelectionService>(m_services.focusedSelection,
                                                     m_services.clipboard, m_services.syntheticKeys,
                                                     m_services.workspace, m_services.sleeper))
{
}

RewriteFlow::~RewriteFlow() = default;

PresentableError RewriteFlow::presentableRuntimeError(const AppError& error,
                                                      const QString& fallbackTitle)
{
    return PresentableError::from(ErrorKinds::of(error), error.description(), fallbackTitle);
}

void RewriteFlow::trigger()
{
    if (claim())
        run(m_services.workspace.activeApplication());
}

bool RewriteFlow::claim()
{
    if (m_inFlight || m_stopped)
        return false;
    m_inFlight = true;
    // The clipboard now belongs to this rewrite; the last one's guard must not touch it.
    if (m_clipboardGuard)
        m_clipboardGuard->cancel();
    return true;
}

void RewriteFlow::triggerAfterPanel(std::optional<RunningApplication> previous)
{
    if (m_inFlight || m_panelRewritePending || m_stopped)
        return;
    runAfterPanel(std::move(previous));
}

void RewriteFlow::stop()
{
    m_stopped = true;
    if (m_clipboardGuard)
        m_clipboardGuard->cancel();
}

QCoro::Task<> RewriteFlow::runAfterPanel(std::optional<RunningApplication> previous)
{
    auto scope = m_tasks.scope();
    m_panelRewritePending = true;
    // The copy goes to whatever is in front.
    co_await returnToApplication(m_services.workspace, m_services.sleeper, std::move(previous));
    m_panelRewritePending = false;
    trigger();
}

QCoro::Task<bool> RewriteFlow::promptSignInRequired()
{
    m_services.activateSelf();
    const Alert alert{
        AlertStyle::warning,
        QCoreApplication::translate("Notices", "Sign in required"),
        QCoreApplication::translate("Notices", "You need to sign in before rewriting text."),
        {QCoreApplication::translate("Notices", "Log in"),
         QCoreApplication::translate("Notices", "Cancel")}};
    const int choice = co_await m_services.alerts.show(alert);
    co_return choice == 0;
}

void RewriteFlow::setPulsing(bool pulsing)
{
    if (m_pulsing == pulsing)
        return;
    m_pulsing = pulsing;
    emit pulseChanged(pulsing);
}

void RewriteFlow::setFailed(const QString& message)
{
    m_model.setStatusError(message);
    m_model.setRewriteState(RewriteState::failed(message));
}

QCoro::Task<> RewriteFlow::run(std::optional<RunningApplication> source)
{
    auto scope = m_tasks.scope();
    AppModel& model = m_model;
    // The closing steps, on every way out.
    auto closing = qScopeGuard([this, &model] {
        m_inFlight = false;
        setPulsing(false);
        if (model.rewriteState().kind() == RewriteState::Kind::running)
            model.setRewriteState(RewriteState::idle());
    });

    const std::optional<Selection> selection = co_await readSelection();
    if (!selection)
        co_return;

    setPulsing(true);
    model.setRewriteState(RewriteState::running());
    ClientLogger::info(u"rewrite started");

    QString rewritten;
    try {
        rewritten = co_await m_services.rewriteAPI.rewrite(selection->text, model, m_services.auth);
    } catch (const AppError& error) {
        const PresentableError presented = presentableRuntimeError(
            error, QCoreApplication::translate("Notices", "Rewrite failed"));
        setFailed(presented.message);
        model.setNotice(presented.style, presented.title, presented.message);
        ClientLogger::error(u"rewrite failed: ", error.description());
        co_return;
    }

    co_await putBack(rewritten, selection->range, source);
}

QCoro::Task<std::optional<RewriteFlow::Selection>> RewriteFlow::readSelection()
{
    auto scope = m_tasks.scope();
    AppModel& model = m_model;
    model.setStatusError(std::nullopt);
    model.clearNotice();
    m_hooks.recordCapabilities();
    // A rewrite needs a way to put the text back, not the shortcut: `velto --trigger` and the
    // panel's button work whatever the shortcut's state.
    if (model.accessibilityGranted() != true) {
        model.setNotice(
            UserNoticeStyle::warning,
            QCoreApplication::translate("Notices", "Text replacement unavailable"),
            QCoreApplication::translate("Notices", "%1 Open Setup to see what this desktop offers.")
                .arg(model.capabilities().replacementProblem));
        co_return std::nullopt;
    }

    const bool canAuthorize = co_await m_services.auth.canAuthorize(model);
    co_await syncAuthState(m_services.auth, model);
    if (!canAuthorize) {
        // The prompt stays open while events go on: this rewrite keeps its place until it
        // is answered, so a second request meanwhile is dropped.
        const bool signIn = co_await promptSignInRequired();
        if (signIn && !m_stopped)
            m_hooks.startSignIn();
        co_return std::nullopt;
    }

    std::optional<SelectedRange> range;
    const std::optional<QString> text = co_await m_selection->selectedTextFromFocusedApp(&range);
    if (!text || text->isEmpty()) {
        setFailed(QCoreApplication::translate("Notices", "No text selected."));
        model.setNotice(UserNoticeStyle::warning,
                        QCoreApplication::translate("Notices", "No text selected"),
                        QCoreApplication::translate(
                            "Notices", "Select text in another app, then press %1 again.")
                            .arg(model.shortcutDisplay()));
        co_return std::nullopt;
    }

    co_return Selection{*text, range};
}

QCoro::Task<> RewriteFlow::putBack(QString rewritten, std::optional<SelectedRange> range,
                                   std::optional<RunningApplication> source)
{
    auto scope = m_tasks.scope();
    AppModel& model = m_model;
    ClipboardSnapshot restored;
    const SelectionService::PasteOutcome outcome =
        co_await m_selection->replaceSelection(rewritten, range, source, &restored);
    if (outcome == SelectionService::PasteOutcome::applicationSwitched)
        co_return; // the user went on elsewhere: nothing pasted, clipboard given back
    if (outcome != SelectionService::PasteOutcome::pasted &&
        outcome != SelectionService::PasteOutcome::replacedInPlace) {
        co_await reportNotReplaced(outcome, rewritten);
        co_return;
    }

    if (model.soundOnCompletion())
        m_services.sound.playCompletionSound();
    model.setStatusError(std::nullopt);
    model.setRewriteState(RewriteState::succeeded());
    model.setNotice(
        UserNoticeStyle::success, QCoreApplication::translate("Notices", "Rewrite complete"),
        //: %1 is a tone such as "Professional"
        QCoreApplication::translate("Notices", "Your selected text was replaced using %1.")
            .arg(model.currentToneTitle()));
    ClientLogger::info(u"rewrite succeeded");
    // Replaced in place, the clipboard was never touched; quitting, nothing may hold the exit.
    if (outcome != SelectionService::PasteOutcome::pasted || m_stopped)
        co_return;
    m_clipboardGuard = std::make_shared<CancellationToken>();
    runClipboardGuard(restored, rewritten, m_clipboardGuard);
}

RewriteFlow::NotReplaced RewriteFlow::notReplaced(SelectionService::PasteOutcome outcome)
{
    using Outcome = SelectionService::PasteOutcome;
    const QString partlyTitle = QCoreApplication::translate("Notices", "Replacement incomplete");
    switch (outcome) {
    case Outcome::pasteFailed:
        return {QCoreApplication::translate("Notices", "Paste failed"),
                QCoreApplication::translate("Notices",
                                            "Velto couldn't paste the rewritten text. It is on the "
                                            "clipboard: paste it with Ctrl+V."),
                u"the paste key could not be posted", true};
    case Outcome::halfReplaced:
        // The application took part of the edit: pasting on top of it would write the text
        // twice, so the user gets it to put in place.
        return {partlyTitle,
                QCoreApplication::translate(
                    "Notices",
                    "Velto couldn't finish replacing the selected text, so the document may be "
                    "partly changed. The rewritten text is on the clipboard: check the document "
                    "and paste it with Ctrl+V."),
                u"the replacement was left half done", true};
    case Outcome::halfReplacedNotKept:
        return {partlyTitle,
                QCoreApplication::translate(
                    "Notices",
                    "Velto couldn't finish replacing the selected text, so the document may be "
                    "partly changed, and this session gives it no clipboard to keep the rewritten "
                    "text on."),
                u"the replacement was left half done, the clipboard did not take the text", false};
    default: // notWritten: the other outcomes put the text in place or end silently
        return {QCoreApplication::translate("Notices", "Rewrite not written"),
                QCoreApplication::translate(
                    "Notices", "Velto couldn't write the rewritten text into the application, and "
                               "this session gives it no clipboard to keep the text on."),
                u"no route wrote the text, the clipboard did not take it", false};
    }
}

QCoro::Task<> RewriteFlow::reportNotReplaced(SelectionService::PasteOutcome outcome,
                                             QString rewritten)
{
    const NotReplaced failure = notReplaced(outcome);
    setFailed(failure.message);
    m_model.setNotice(UserNoticeStyle::warning, failure.title, failure.message);
    ClientLogger::error(u"rewrite failed: ", failure.reason);
    if (failure.onClipboard || m_stopped)
        co_return;
    // The text is nowhere but here: the user gets to copy it from Velto's own window, whose
    // clipboard works in every session.
    setPulsing(false);
    m_services.activateSelf();
    Alert alert{AlertStyle::warning,
                failure.title,
                QCoreApplication::translate(
                    "Notices", "Copy the rewritten text to paste it yourself, or it is discarded."),
                {QCoreApplication::translate("Notices", "Copy"),
                 QCoreApplication::translate("Notices", "Discard")}};
    // Copied on the click, while the alert still has the focus the clipboard needs.
    alert.chosen = [copy = m_services.copyText, rewritten](int button) {
        if (button == 0)
            copy(rewritten);
    };
    const int choice = co_await m_services.alerts.show(alert);
    if (choice != 0 || m_stopped)
        co_return;
    m_model.setNotice(UserNoticeStyle::info,
                      QCoreApplication::translate("Notices", "Rewritten text copied"),
                      QCoreApplication::translate("Notices", "Paste it with Ctrl+V."));
}

QCoro::Task<> RewriteFlow::runClipboardGuard(ClipboardSnapshot snapshot, QString pasted,
                                             std::shared_ptr<CancellationToken> token)
{
    auto scope = m_tasks.scope();
    co_await m_selection->guardRestoredClipboard(std::move(snapshot), std::move(pasted), token);
}

} // namespace velto
