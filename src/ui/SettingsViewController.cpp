#include "ui/SettingsViewController.h"

#include "model/AppModel.h"
#include "ui/CatalogPickers.h"
#include "ui/SettingsPresenter.h"
#include "ui/ShortcutEditor.h"
#include "ui/ViewEngine.h"

#include <QQuickView>
#include <QScreen>

namespace velto {

SettingsViewController::SettingsViewController(AppModel& model, Handlers handlers,
                                               ViewEngine& engine, QObject* parent)
    : QObject(parent), m_model(model), m_handlers(std::move(handlers)), m_engine(engine)
{
}

SettingsViewController::~SettingsViewController() = default;

QQuickView* SettingsViewController::view()
{
    if (m_view)
        return m_view.get();
    m_presenter = std::make_unique<SettingsPresenter>(m_model);
    m_pickers = std::make_unique<CatalogPickers>(m_model);
    m_editor = std::make_unique<ShortcutEditor>(m_model, [this] {
        if (m_handlers.shortcutChanged)
            m_handlers.shortcutChanged();
    });
    m_view = m_engine.createView(
        QStringLiteral("SettingsRoot.qml"),
        {{QStringLiteral("model"), QVariant::fromValue<QObject*>(&m_model)},
         {QStringLiteral("presenter"), QVariant::fromValue<QObject*>(m_presenter.get())},
         {QStringLiteral("pickers"), QVariant::fromValue<QObject*>(m_pickers.get())},
         {QStringLiteral("editor"), QVariant::fromValue<QObject*>(m_editor.get())},
         {QStringLiteral("controller"), QVariant::fromValue<QObject*>(this)}});
    if (!m_view)
        return nullptr;
    m_view->setTitle(QStringLiteral("Velto"));
    m_view->setFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                     Qt::WindowMinimizeButtonHint);
    // Sized to the root view and not resizable.
    const QSize size = m_view->initialSize();
    m_view->setMinimumSize(size);
    m_view->setMaximumSize(size);
    m_view->resize(size);
    return m_view.get();
}

bool SettingsViewController::isShown() const
{
    return m_view && m_view->isVisible();
}

void SettingsViewController::show()
{
    QQuickView* window = view();
    if (!window)
        return;
    if (!window->isVisible() && window->screen()) {
        const QRect area = window->screen()->availableGeometry();
        window->setPosition(area.center() - QPoint(window->width() / 2, window->height() / 2));
    }
    window->showNormal();
    window->raise();
    window->requestActivate();
}

void SettingsViewController::setLaunchAtLogin(bool enabled)
{
    m_model.setLaunchAtLogin(enabled);
    if (m_handlers.launchAtLogin)
        m_handlers.launchAtLogin(enabled);
}

void SettingsViewController::setSoundOnCompletion(bool enabled)
{
    m_model.setSoundOnCompletion(enabled);
}

void SettingsViewController::setPreviewBeforeReplacing(bool enabled)
{
    m_model.setPreviewBeforeReplacing(enabled);
}

void SettingsViewController::pressAccount()
{
    const SettingsPresenter::AccountCard card = SettingsPresenter::accountCard(m_model);
    const std::function<void()>* handler = nullptr;
    if (card.action == PanelAction::signIn)
        handler = &m_handlers.signIn;
    else if (card.action == PanelAction::signOut)
        handler = &m_handlers.signOut;
    if (card.buttonEnabled && handler && *handler)
        (*handler)();
}

void SettingsViewController::pressCapability(SettingsPresenter::Capability capability)
{
    const auto call = [](const std::function<void()>& handler) {
        if (handler)
            handler();
    };
    const SettingsPresenter::CapabilityRow row =
        capability == SettingsPresenter::Capability::GlobalShortcut
            ? SettingsPresenter::shortcutRow(m_model)
            : SettingsPresenter::replacementRow(m_model);
    switch (row.action) {
    case PanelAction::useFreeShortcut:
        call(m_handlers.useFreeShortcut);
        break;
    case PanelAction::addDesktopShortcut:
        call(m_handlers.addDesktopShortcut);
        break;
    case PanelAction::removeDesktopShortcut:
        call(m_handlers.removeDesktopShortcut);
        break;
    case PanelAction::openShortcutHelp:
        call(m_handlers.openShortcutHelp);
        break;
    case PanelAction::openReplacementHelp:
        call(m_handlers.openTextReplacementHelp);
        break;
    default:
        break;
    }
}

} // namespace velto
