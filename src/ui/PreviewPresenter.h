#pragma once

#include "model/PresentableError.h"
#include "ui/WordDiff.h"

#include <QColor>
#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

namespace velto {

class AppModel;

// What the preview window shows while a rewrite streams in: the text so far, its state, the
// difference to the selection, a failure; and the user's answers (replace, copy, retry, cancel)
// as signals for the flow that owns it.
class PreviewPresenter : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The preview flow makes its presenter.")
    Q_PROPERTY(State state READ state NOTIFY changed)
    Q_PROPERTY(QString text READ text NOTIFY textChanged)
    Q_PROPERTY(QString original READ original NOTIFY changed)
    Q_PROPERTY(QString statusText READ statusText NOTIFY changed)
    Q_PROPERTY(QString errorTitle READ errorTitle NOTIFY changed)
    Q_PROPERTY(QString errorMessage READ errorMessage NOTIFY changed)
    Q_PROPERTY(bool canReplace READ finished NOTIFY changed)
    Q_PROPERTY(bool canCopy READ finished NOTIFY changed)
    Q_PROPERTY(bool canShowChanges READ finished NOTIFY changed)
    Q_PROPERTY(bool showChanges READ showChanges WRITE setShowChanges NOTIFY showChangesChanged)

public:
    // The views compare these, so their cases are capitalised as QML needs.
    enum class State
    {
        Streaming,
        Finished,
        Failed
    };
    Q_ENUM(State)

    explicit PreviewPresenter(AppModel& model, QObject* parent = nullptr);

    State state() const { return m_state; }
    // The pieces received so far, as they came.
    QString text() const { return m_text; }
    QString original() const { return m_original; }
    // What Replace and Copy use: the whole text, trimmed as a one-shot rewrite is.
    QString result() const { return m_text.trimmed(); }
    QString statusText() const;
    QString errorTitle() const { return m_error.title; }
    QString errorMessage() const { return m_error.message; }
    bool finished() const { return m_state == State::Finished; }
    bool showChanges() const { return m_showChanges; }
    void setShowChanges(bool show);

    // The selection against `rewritten`, word by word.
    QList<WordDiff::Piece> changes(const QString& rewritten) const;
    // The same as rich text: removed words struck through, added ones underlined, each also in
    // its colour. `rewritten` is an argument so a binding follows the text.
    Q_INVOKABLE QString changesHtml(const QString& rewritten, const QColor& removed,
                                    const QColor& added) const;

    // The flow's side.
    void start(const QString& original);
    void restart();
    void appendPiece(const QString& piece);
    void finish();
    void fail(const PresentableError& error);

    // The user's side: each does nothing in a state that does not offer it.
    Q_INVOKABLE void replace();
    Q_INVOKABLE void copy();
    Q_INVOKABLE void retry();
    Q_INVOKABLE void cancel();
    // The window lost the keyboard to another application: cancelled, the focus left as it is.
    void dismiss();

signals:
    void changed();
    void textChanged();
    void showChangesChanged();
    void replaceRequested();
    void copyRequested();
    void retryRequested();
    // giveFocusBack: false when the user already went to another window.
    void cancelRequested(bool giveFocusBack);

private:
    AppModel& m_model;
    State m_state = State::Streaming;
    QString m_original;
    QString m_text;
    PresentableError m_error;
    bool m_showChanges = false;
};

} // namespace velto
