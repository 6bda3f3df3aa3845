#include "ui/PreviewViewController.h"

#include "model/ClientLogger.h"
#include "ui/CatalogPickers.h"
#include "ui/PopupPlacement.h"
#include "ui/PreviewPresenter.h"
#include "ui/ViewEngine.h"

#include <QGuiApplication>
#include <QQuickView>
#include <QScreen>

namespace velto {

PreviewViewController::PreviewViewController(AppModel& model, PreviewPresenter& presenter,
                                             ViewEngine& engine, QObject* parent)
    : QObject(parent), m_model(model), m_presenter(presenter), m_engine(engine)
{
    connect(&presenter, &PreviewPresenter::textChanged, this, &PreviewViewController::textChanged);
    m_activation.setInterval(activationRetryMs);
    connect(&m_activation, &QTimer::timeout, this, &PreviewViewController::activateAgain);
}

PreviewViewController::~PreviewViewController() = default;

QQuickView* PreviewViewController::view()
{
    if (m_view)
        return m_view.get();
    m_pickers = std::make_unique<CatalogPickers>(m_model);
    m_view = m_engine.createView(
        QStringLiteral("PreviewWindow.qml"),
        {{QStringLiteral("presenter"), QVariant::fromValue<QObject*>(&m_presenter)},
         {QStringLiteral("pickers"), QVariant::fromValue<QObject*>(m_pickers.get())}});
    if (!m_view)
        return nullptr;
    m_view->setFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    //: the preview window's title, read by screen readers and window lists
    m_view->setTitle(tr("Velto preview"));
    connect(m_view.get(), &QWindow::activeChanged, this, &PreviewViewController::activeChanged);
    return m_view.get();
}

bool PreviewViewController::isShown() const
{
    return m_view && m_view->isVisible();
}

bool PreviewViewController::show(std::optional<QRect> selection, QPoint pointer)
{
    QQuickView* window = view();
    if (!window)
        return false;
    const QPoint anchor = selection && selection->isValid() ? selection->center() : pointer;
    QScreen* screen = QGuiApplication::screenAt(anchor);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    const QSize size = window->size().isEmpty() ? window->initialSize() : window->size();
    if (screen)
        window->setPosition(
            besideSelectionPosition(size, selection, pointer, screen->availableGeometry()));
    m_wasActive = false;
    m_firstTextPending = m_presenter.text().isEmpty();
    window->show();
    window->raise();
    window->requestActivate();
    m_activationsAsked = 1;
    m_activation.start();
    return true;
}

void PreviewViewController::close()
{
    m_activation.stop();
    if (m_view)
        m_view->hide();
}

void PreviewViewController::activateAgain()
{
    if (!m_view || !m_view->isVisible() || m_view->isActive()) {
        m_activation.stop();
        return;
    }
    if (m_activationsAsked >= maxActivationRequests) {
        m_activation.stop();
        ClientLogger::warning(u"preview window did not get the keyboard: ",
                              u"the window manager refused to activate it");
        return;
    }
    ++m_activationsAsked;
    m_view->raise();
    m_view->requestActivate();
}

void PreviewViewController::activeChanged()
{
    if (!m_view || !m_view->isVisible())
        return;
    if (m_view->isActive()) {
        m_wasActive = true;
        if (m_activationsAsked > 1)
            ClientLogger::info(u"preview window activated after requests: ",
                               QString::number(m_activationsAsked));
        m_activation.stop();
        m_activationsAsked = 0;
        return;
    }
    // Only a window that had the keyboard lost it to a click elsewhere; one still waiting for
    // the window manager to activate it has not.
    if (m_wasActive)
        m_presenter.dismiss();
}

void PreviewViewController::textChanged()
{
    if (m_presenter.text().isEmpty()) {
        m_firstTextPending = true;
        return;
    }
    if (!m_firstTextPending || !isShown())
        return;
    m_firstTextPending = false;
    // Logged once the frame with the text is on screen, not when the text arrived.
    connect(
        m_view.get(), &QQuickWindow::frameSwapped, this,
        [] { ClientLogger::info(u"preview first text shown"); }, Qt::SingleShotConnection);
    m_view->update();
}

} // namespace velto
