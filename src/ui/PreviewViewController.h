#pragma once

#include <QObject>
#include <QPoint>
#include <QRect>
#include <QTimer>
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
    // How often, and how many times in all, the window manager is asked for the keyboard.
    static constexpr int activationRetryMs = 150;
    static constexpr int maxActivationRequests = 8;

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
    void activateAgain();

    AppModel& m_model;
    PreviewPresenter& m_presenter;
    ViewEngine& m_engine;
    std::unique_ptr<CatalogPickers> m_pickers;
    std::unique_ptr<QQuickView> m_view;
    bool m_wasActive = false;
    // Asks the window manager again until the window has the keyboard: X11 window managers
    // refuse an activation whose time stamp is older than the user's last input elsewhere, and
    // the first request carries whatever time the app last heard of.
    QTimer m_activation;
    int m_activationsAsked = 0;
    // The first piece of this stream is still to be drawn.
    bool m_firstTextPending = false;
};

} // namespace velto
