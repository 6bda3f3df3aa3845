#pragma once

#include "ui/PanelAction.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPoint>
#include <QRect>
#include <QtQml/qqmlregistration.h>
#include <functional>
#include <memory>

class QQuickView;

namespace velto {

class AppModel;
class CatalogPickers;
class QuickPanelPresenter;
class ViewEngine;

// Hosts the quick panel: a frameless window that opens under the tray icon and closes when
// the user clicks elsewhere. Its buttons reach the controller through the handlers.
class QuickPanelViewController : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The app makes the quick panel's controller.")

public:
    struct Handlers
    {
        std::function<void()> rewrite;
        std::function<void()> openSettings;
        std::function<void()> signIn;
        std::function<void()> signOut;
        // The help pages of the global shortcut and of text replacement.
        std::function<void()> openShortcutHelp;
        std::function<void()> openTextReplacementHelp;
        std::function<void()> quit;
        std::function<void()> useFreeShortcut;
        std::function<void()> addDesktopShortcut;
    };

    QuickPanelViewController(AppModel& model, Handlers handlers, ViewEngine& engine,
                             QObject* parent = nullptr);
    ~QuickPanelViewController() override;

    // Made on first use, then kept: the content follows the model while hidden too.
    QQuickView* view();
    bool isShown() const;
    // True for a short while after a click elsewhere closed the panel: that click may have been
    // on the tray icon, which must then not open it again.
    bool closedByFocusLossJustNow() const;
    void show(QRect trayIcon, QPoint pointer);
    Q_INVOKABLE void close();

    Q_INVOKABLE void pressMainButton();
    Q_INVOKABLE void pressSetupPrimary();
    Q_INVOKABLE void pressAccount();
    Q_INVOKABLE void openSettings();
    Q_INVOKABLE void quit();
    Q_INVOKABLE void clearNotice();

signals:
    void shownChanged(bool shown);

private:
    void perform(PanelAction action);
    void activeChanged();

    AppModel& m_model;
    Handlers m_handlers;
    ViewEngine& m_engine;
    std::unique_ptr<QuickPanelPresenter> m_presenter;
    std::unique_ptr<CatalogPickers> m_pickers;
    std::unique_ptr<QQuickView> m_view;
    QElapsedTimer m_closedByFocusLoss;
};

} // namespace velto
