#include "ui/QuickPanelViewController.h"

#include "model/AppModel.h"
#include "ui/CatalogPickers.h"
#include "ui/PopupPlacement.h"
#include "ui/QuickPanelPresenter.h"
#include "ui/ViewEngine.h"

#include <QGuiApplication>
#include <QQuickView>
#include <QScreen>

namespace velto {

QuickPanelViewController::QuickPanelViewController(AppModel& model, Handlers handlers,
                                                   ViewEngine& engine, QObject* parent)
    : QObject(parent), m_model(model), m_handlers(std::move(handlers)), m_engine(engine)
{
}

QuickPanelViewController::~QuickPanelViewController() = default;

QQuickView* QuickPanelViewController::view()
{
    if (m_view)
        return m_view.get();
    m_presenter = std::make_unique<QuickPanelPresenter>(m_model);
    m_pickers = std::make_unique<CatalogPickers>(m_model);
    m_view = m_engine.createView(
        QStringLiteral("QuickPanel.qml"),
        {{QStringLiteral("model"), QVariant::fromValue<QObject*>(&m_model)},
         {QStringLiteral("presenter"), QVariant::fromValue<QObject*>(m_presenter.get())},
         {QStringLiteral("pickers"), QVariant::fromValue<QObject*>(m_pickers.get())},
         {QStringLiteral("controller"), QVariant::fromValue<QObject*>(this)}});
    if (!m_view)
        return nullptr;
    m_view->setFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    m_view->setTitle(QStringLiteral("Velto"));
    connect(m_view.get(), &QWindow::activeChanged, this, &QuickPanelViewController::activeChanged);
    connect(m_view.get(), &QWindow::visibleChanged, this,
            [this](bool visible) { emit shownChanged(visible); });
    return m_view.get();
}

bool QuickPanelViewController::isShown() const
{
    return m_view && m_view->isVisible();
}

bool QuickPanelViewController::closedByFocusLossJustNow() const
{
    return m_closedByFocusLoss.isValid() && m_closedByFocusLoss.elapsed() < 300;
}

void QuickPanelViewController::show(QRect trayIcon, QPoint pointer)
{
    QQuickView* panel = view();
    if (!panel)
        return;
    QScreen* screen = QGuiApplication::screenAt(trayIcon.isValid() ? trayIcon.center() : pointer);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    const QSize size = panel->size().isEmpty() ? panel->initialSize() : panel->size();
    if (screen)
        panel->setPosition(popupPosition(size, trayIcon, pointer, screen->availableGeometry()));
    m_closedByFocusLoss.invalidate();
    panel->show();
    panel->raise();
    panel->requestActivate();
}

void QuickPanelViewController::close()
{
    if (m_view)
        m_view->hide();
}

void QuickPanelViewController::activeChanged()
{
    // A click elsewhere takes the focus away: the panel closes, as a menu would.
    if (m_view && !m_view->isActive() && m_view->isVisible()) {
        m_closedByFocusLoss.start();
        m_view->hide();
    }
}

void QuickPanelViewController::perform(PanelAction action)
{
    const auto call = [](const std::function<void()>& handler) {
        if (handler)
            handler();
    };
    switch (action) {
    case PanelAction::rewrite:
        call(m_handlers.rewrite);
        break;
    case PanelAction::openSettings:
        call(m_handlers.openSettings);
        break;
    case PanelAction::signIn:
        call(m_handlers.signIn);
        break;
    case PanelAction::signOut:
        call(m_handlers.signOut);
        break;
    case PanelAction::useFreeShortcut:
        call(m_handlers.useFreeShortcut);
        break;
    case PanelAction::addDesktopShortcut:
        call(m_handlers.addDesktopShortcut);
        break;
    case PanelAction::openShortcutHelp:
        call(m_handlers.openShortcutHelp);
        break;
    case PanelAction::openReplacementHelp:
        call(m_handlers.openTextReplacementHelp);
        break;
    case PanelAction::removeDesktopShortcut:
    case PanelAction::none:
        break;
    }
}

void QuickPanelViewController::pressMainButton()
{
    // The state at the moment of the press decides, not the one the button was drawn for.
    const QuickPanelPresenter::MainButton button = QuickPanelPresenter::mainButton(m_model);
    if (button.enabled)
        perform(button.action);
}

void QuickPanelViewController::pressSetupPrimary()
{
    perform(QuickPanelPresenter::setupPrimaryButton(m_model).action);
}

void QuickPanelViewController::pressAccount()
{
    perform(QuickPanelPresenter::accountControl(m_model).action);
}

void QuickPanelViewController::openSettings()
{
    perform(PanelAction::openSettings);
}

void QuickPanelViewController::quit()
{
    if (m_handlers.quit)
        m_handlers.quit();
}

void QuickPanelViewController::clearNotice()
{
    m_model.clearNotice();
}

} // namespace velto
