#pragma once

#include <QObject>
#include <QPoint>
#include <QRect>
#include <QtQml/qqmlregistration.h>
#include <memory>
#include <optional>

class QQuickView;

namespace velto {

class AppModel;
class CatalogPickers;
class PreviewPresenter;
class ViewEngine;

// Hosts the preview window: frameless, beside the selection, with the keyboard. Losing the
// keyboard to another window cancels the preview, as a click outside a menu closes it.
class PreviewViewController : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The app makes the preview window's controller.")

public:
    PreviewViewController(AppModel& model, PreviewPresenter& presenter, ViewEngine& engine,
                          QObject* parent = nullptr);
    ~PreviewViewController() override;

    // Made on first use, then kept.
    QQuickView* view();
    bool isShown() const;
    // False when the view does not load.
    bool show(std::optional<QRect> selection, QPoint pointer);
    void close();

private:
    void activeChanged();
    void textChanged();

    AppModel& m_model;
    PreviewPresenter& m_presenter;
    ViewEngine& m_engine;
    std::unique_ptr<CatalogPickers> m_pickers;
    std::unique_ptr<QQuickView> m_view;
    bool m_wasActive = false;
    // The first piece of this stream is still to be drawn.
    bool m_firstTextPending = false;
};

} // namespace velto
