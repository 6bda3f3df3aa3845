#pragma once

#include "app/AppServices.h"
#include "app/RewriteFlow.h"
#include "app/TaskCounter.h"
#include "platform/RunningApplication.h"

#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

namespace velto {

class AppModel;
class AppWindows;
class CancellationToken;
class PreviewPresenter;

// The rewrite shown before it replaces anything: the selection is read as for a rewrite, the
// answer streams into the preview window, and the user replaces, copies, retries (also with
// another tone or language) or cancels. Holds the rewrite flow's one-at-a-time guard from the
// request until the window closes.
class PreviewFlow : public QObject
{
    Q_OBJECT

public:
    PreviewFlow(AppServices services, AppModel& model, RewriteFlow& rewrite,
                std::function<AppWindows*()> windows, QObject* parent = nullptr);
    ~PreviewFlow() override;

    // Returns at once; dropped while a rewrite or a preview runs.
    void trigger();
    // Quitting: the stream is dropped and the window closed.
    void stop();

    PreviewPresenter& presenter() const { return *m_presenter; }
    // From the request until the window closed and the replacement is done.
    bool running() const { return m_session.has_value(); }
    bool isIdle() const { return m_tasks.idle(); }

    // Characters; a longer rewrite is not one (as for the one-shot answer).
    static constexpr qsizetype maxTextLength = 4 * 1024 * 1024;

private:
    struct Session
    {
        QString text;
        std::optional<SelectedRange> range;
        std::optional<RunningApplication> source;
        bool windowShown = false;
        // The choices the running stream was asked with.
        QString toneID;
        QString languageID;
    };

    QCoro::Task<> open(std::optional<RunningApplication> source);
    // Drops the stream under way (its request is aborted) and starts another one.
    void restart();
    QCoro::Task<> stream(QString text, std::shared_ptr<CancellationToken> token);
    void dropStream();
    void choicesChanged();
    QCoro::Task<> replace();
    void copy();
    void cancel(bool giveFocusBack);
    QCoro::Task<> close(bool giveFocusBack);
    // Closes the window and gives the guard back.
    void end();

    AppServices m_services;
    AppModel& m_model;
    RewriteFlow& m_rewrite;
    std::function<AppWindows*()> m_windows;
    std::unique_ptr<PreviewPresenter> m_presenter;
    std::optional<Session> m_session;
    std::shared_ptr<CancellationToken> m_stream;
    TaskCounter m_tasks;
    bool m_stopped = false;
};

} // namespace velto
