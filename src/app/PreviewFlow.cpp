#include "app/PreviewFlow.h"

#include "app/AppWindows.h"
#include "app/ReturnToApplication.h"
#include "model/AppModel.h"
#include "model/ClientLogger.h"
#include "platform/CancellationToken.h"
#include "platform/Workspace.h"
#include "rewrite/RewriteAPI.h"
#include "rewrite/RewriteClientError.h"
#include "ui/PreviewPresenter.h"

#include <QCoreApplication>

namespace velto {

PreviewFlow::PreviewFlow(AppServices services, AppModel& model, RewriteFlow& rewrite,
                         std::function<AppWindows*()> windows, QObject* parent)
    : QObject(parent), m_services(std::move(services)), m_model(model), m_rewrite(rewrite),
      m_windows(std::move(windows)), m_presenter(std::make_unique<PreviewPresenter>(model))
{
    connect(m_presenter.get(), &PreviewPresenter::replaceRequested, this, [this] { replace(); });
    connect(m_presenter.get(), &PreviewPresenter::copyRequested, this, &PreviewFlow::copy);
    connect(m_presenter.get(), &PreviewPresenter::retryRequested, this, &PreviewFlow::restart);
    connect(m_presenter.get(), &PreviewPresenter::cancelRequested, this, &PreviewFlow::cancel);
    connect(&model, &AppModel::toneIDChanged, this, &PreviewFlow::choicesChanged);
    connect(&model, &AppModel::languageIDChanged, this, &PreviewFlow::choicesChanged);
}

PreviewFlow::~PreviewFlow()
{
    dropStream();
}

void PreviewFlow::trigger()
{
    if (m_stopped || m_session || !m_rewrite.claim())
        return;
    m_session.emplace();
    open(m_services.workspace.activeApplication());
}

void PreviewFlow::stop()
{
    m_stopped = true;
    end();
}

QCoro::Task<> PreviewFlow::open(std::optional<RunningApplication> source)
{
    auto scope = m_tasks.scope();
    const std::optional<RewriteFlow::Selection> selection = co_await m_rewrite.readSelection();
    if (!selection || !m_session) {
        end();
        co_return;
    }
    m_session->text = selection->text;
    m_session->range = selection->range;
    m_session->source = std::move(source);
    m_presenter->start(selection->text);
    AppWindows* windows = m_windows ? m_windows() : nullptr;
    const std::optional<QRect> place =
        selection->range ? selection->range->screenBounds : std::nullopt;
    if (!windows || !windows->showPreview(*m_presenter, place)) {
        ClientLogger::warning(u"preview not shown: ", u"no window to show it in");
        end();
        co_return;
    }
    m_session->windowShown = true;
    ClientLogger::info(u"preview opened");
    restart();
}

void PreviewFlow::restart()
{
    if (!m_session || !m_session->windowShown)
        return;
    // First, so the service sees the old request end before the new one arrives.
    dropStream();
    m_session->toneID = m_model.selectedToneID();
    m_session->languageID = m_model.selectedLanguageID();
    m_presenter->restart();
    m_stream = std::make_shared<CancellationToken>();
    stream(m_session->text, m_stream);
}

void PreviewFlow::dropStream()
{
    if (std::shared_ptr<CancellationToken> token = std::exchange(m_stream, {}))
        token->cancel();
}

void PreviewFlow::choicesChanged()
{
    if (m_session && m_session->windowShown &&
        (m_model.selectedToneID() != m_session->toneID ||
         m_model.selectedLanguageID() != m_session->languageID))
        restart();
}

QCoro::Task<> PreviewFlow::stream(QString text, std::shared_ptr<CancellationToken> token)
{
    auto scope = m_tasks.scope();
    ClientLogger::info(u"preview stream started");
    std::optional<AppError> failure;
    try {
        auto pieces = m_services.rewriteAPI.rewriteStream(text, m_model, m_services.auth, token);
        QCORO_FOREACH(const QString& piece, pieces)
        {
            if (token->isCancelled())
                break;
            if (m_presenter->text().size() + piece.size() > maxTextLength) {
                failure = RewriteClientError::invalidResponse();
                break;
            }
            m_presenter->appendPiece(piece);
        }
    } catch (const AppError& error) {
        failure = error;
    }
    // A dropped stream leaves the window to the one that replaced it.
    if (token->isCancelled())
        co_return;
    // Nothing but white space would replace the selection with nothing.
    if (!failure && m_presenter->result().isEmpty())
        failure = RewriteClientError::invalidResponse();
    if (failure) {
        m_presenter->fail(RewriteFlow::presentableRuntimeError(
            *failure, QCoreApplication::translate("Notices", "Rewrite failed")));
        ClientLogger::error(u"preview failed: ", failure->description());
        co_return;
    }
    m_presenter->finish();
    ClientLogger::info(u"preview finished");
}

QCoro::Task<> PreviewFlow::replace()
{
    auto scope = m_tasks.scope();
    if (!m_session || !m_session->windowShown || !m_presenter->finished())
        co_return;
    const QString text = m_presenter->result();
    const Session session = *m_session;
    m_session->windowShown = false;
    if (AppWindows* windows = m_windows ? m_windows() : nullptr)
        windows->closePreview();
    ClientLogger::info(u"preview replaced");
    // The paste goes to whatever is in front: the window gives the focus back first.
    co_await returnToApplication(m_services.workspace, m_services.sleeper, session.source);
    if (!m_stopped)
        co_await m_rewrite.putBack(text, session.range, session.source);
    end();
}

void PreviewFlow::copy()
{
    if (!m_session || !m_session->windowShown || !m_presenter->finished())
        return;
    // Through the preview window, which has the focus: that works in every session, also where
    // the clipboard port cannot write (GNOME on Wayland). It is the user's own copy, so clipboard
    // managers may record it.
    m_services.copyText(m_presenter->result());
    ClientLogger::info(u"preview copied");
    close(true);
}

void PreviewFlow::cancel(bool giveFocusBack)
{
    if (!m_session || !m_session->windowShown)
        return;
    ClientLogger::info(u"preview cancelled");
    close(giveFocusBack);
}

QCoro::Task<> PreviewFlow::close(bool giveFocusBack)
{
    auto scope = m_tasks.scope();
    const std::optional<RunningApplication> source = m_session->source;
    end();
    // A click elsewhere chose where the focus goes; Escape gives it back to the text.
    if (giveFocusBack)
        co_await returnToApplication(m_services.workspace, m_services.sleeper, source);
}

void PreviewFlow::end()
{
    dropStream();
    if (!m_session)
        return;
    const bool shown = m_session->windowShown;
    m_session.reset();
    if (shown) {
        if (AppWindows* windows = m_windows ? m_windows() : nullptr)
            windows->closePreview();
    }
    m_rewrite.release();
}

} // namespace velto
