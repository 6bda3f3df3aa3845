#pragma once

#include "app/AppServices.h"
#include "app/TaskCounter.h"
#include "model/PresentableError.h"
#include "platform/Clipboard.h"
#include "platform/FocusedSelection.h"
#include "platform/RunningApplication.h"
#include "system/SelectionService.h"

#include <QCoro/QCoroTask>
#include <QObject>
#include <functional>
#include <memory>
#include <optional>

namespace velto {

class AppError;
class AppModel;
class CancellationToken;

// The rewrite pipeline, from a request to the rewritten text standing in the other
// application and the user's clipboard back. One rewrite at a time; a request while one runs
// is dropped. Everything runs on the main thread.
class RewriteFlow : public QObject
{
    Q_OBJECT

public:
    struct Hooks
    {
        // Brings the model's capabilities up to date before a rewrite looks at them.
        std::function<void()> recordCapabilities;
        // The user chose to sign in from the sign-in prompt.
        std::function<void()> startSignIn;
    };

    RewriteFlow(AppServices services, AppModel& model, Hooks hooks, QObject* parent = nullptr);
    ~RewriteFlow() override;

    // Returns at once; the rewrite runs as a coroutine.
    void trigger();
    // The quick panel's button: the copy goes to whatever is in front, so the rewrite waits
    // until `previous` (in front before the panel opened) is active again.
    void triggerAfterPanel(std::optional<RunningApplication> previous);
    // Quitting: the clipboard guard lets go and no rewrite starts from now on.
    void stop();

    // The one-at-a-time guard, for the preview: false while a rewrite runs or after stop().
    // The holder gives it back with release().
    bool claim();
    void release() { m_inFlight = false; }

    struct Selection
    {
        QString text;
        // Where the text was read, when the direct route read it.
        std::optional<SelectedRange> range;
    };
    // The checks before a rewrite (a replacement route, a session, with the sign-in prompt) and
    // the selection, trimmed; none, with the notice set, when one fails or nothing is selected.
    QCoro::Task<std::optional<Selection>> readSelection();
    // Writes the rewritten text over the selection that was read and reports the outcome: in
    // place, else pasted into source with the user's clipboard given back.
    QCoro::Task<> putBack(QString rewritten, std::optional<SelectedRange> range,
                          std::optional<RunningApplication> source);

    static PresentableError presentableRuntimeError(const AppError& error,
                                                    const QString& fallbackTitle);

    bool inFlight() const { return m_inFlight; }
    bool isIdle() const { return m_tasks.idle(); }

signals:
    // The status icon pulses while a rewrite is in flight.
    void pulseChanged(bool pulsing);

private:
    QCoro::Task<> run(std::optional<RunningApplication> source);
    QCoro::Task<> runAfterPanel(std::optional<RunningApplication> previous);
    QCoro::Task<> runClipboardGuard(ClipboardSnapshot snapshot, QString pasted,
                                    std::shared_ptr<CancellationToken> token);
    // What the user is told when the text did not end up in the application.
    struct NotReplaced
    {
        QString title;
        QString message;
        QStringView reason; // for the log: never the text
        bool onClipboard = false;
    };
    static NotReplaced notReplaced(SelectionService::PasteOutcome outcome);
    // The failed state, the notice and the log line; where the text is nowhere else, an alert
    // that offers to copy it.
    QCoro::Task<> reportNotReplaced(SelectionService::PasteOutcome outcome, QString rewritten);
    // True when the user chose to sign in.
    QCoro::Task<bool> promptSignInRequired();
    // The status error and the failed state, both with `message`.
    void setFailed(const QString& message);
    void setPulsing(bool pulsing);

    AppServices m_services;
    AppModel& m_model;
    Hooks m_hooks;
    std::unique_ptr<SelectionService> m_selection;
    TaskCounter m_tasks;
    bool m_inFlight = false;
    bool m_panelRewritePending = false;
    bool m_pulsing = false;
    bool m_stopped = false;
    std::shared_ptr<CancellationToken> m_clipboardGuard;
};

} // namespace velto
