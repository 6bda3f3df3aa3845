#include "ui/PreviewPresenter.h"

#include "model/AppModel.h"

namespace velto {

PreviewPresenter::PreviewPresenter(AppModel& model, QObject* parent)
    : QObject(parent), m_model(model)
{
    connect(&model, &AppModel::currentToneTitleChanged, this, &PreviewPresenter::changed);
}

QString PreviewPresenter::statusText() const
{
    switch (m_state) {
    case State::Streaming:
        //: %1 is a tone such as "Professional"
        return tr("Rewriting with %1…").arg(m_model.currentToneTitle());
    case State::Finished:
        //: %1 is a tone such as "Professional"
        return tr("Rewritten with %1").arg(m_model.currentToneTitle());
    case State::Failed:
        return m_error.title;
    }
    return {};
}

void PreviewPresenter::setShowChanges(bool show)
{
    if (m_showChanges == show)
        return;
    m_showChanges = show;
    emit showChangesChanged();
}

QList<WordDiff::Piece> PreviewPresenter::changes(const QString& rewritten) const
{
    return WordDiff::compare(m_original, rewritten.trimmed());
}

QString PreviewPresenter::changesHtml(const QString& rewritten, const QColor& removed,
                                      const QColor& added) const
{
    // Pre-wrapped, so the spaces and line breaks of both texts show as they are.
    QString html = QStringLiteral("<span style=\"white-space: pre-wrap\">");
    for (const WordDiff::Piece& piece : changes(rewritten)) {
        const QString text = piece.text.toHtmlEscaped();
        switch (piece.kind) {
        case WordDiff::Piece::Kind::same:
            html += text;
            break;
        case WordDiff::Piece::Kind::removed:
            html += QStringLiteral("<s style=\"color: %1\">%2</s>").arg(removed.name(), text);
            break;
        case WordDiff::Piece::Kind::added:
            html += QStringLiteral("<u style=\"color: %1\">%2</u>").arg(added.name(), text);
            break;
        }
    }
    html += QStringLiteral("</span>");
    return html;
}

void PreviewPresenter::start(const QString& original)
{
    m_original = original;
    m_showChanges = false;
    emit showChangesChanged();
    restart();
}

void PreviewPresenter::restart()
{
    m_state = State::Streaming;
    m_text.clear();
    m_error = {};
    emit textChanged();
    emit changed();
}

void PreviewPresenter::appendPiece(const QString& piece)
{
    if (m_state != State::Streaming || piece.isEmpty())
        return;
    m_text += piece;
    emit textChanged();
}

void PreviewPresenter::finish()
{
    if (m_state != State::Streaming)
        return;
    m_state = State::Finished;
    emit changed();
}

void PreviewPresenter::fail(const PresentableError& error)
{
    m_state = State::Failed;
    m_error = error;
    emit changed();
}

void PreviewPresenter::replace()
{
    if (finished())
        emit replaceRequested();
}

void PreviewPresenter::copy()
{
    if (finished())
        emit copyRequested();
}

void PreviewPresenter::retry()
{
    emit retryRequested();
}

void PreviewPresenter::cancel()
{
    emit cancelRequested(true);
}

void PreviewPresenter::dismiss()
{
    emit cancelRequested(false);
}

} // namespace velto
