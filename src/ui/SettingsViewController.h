#pragma once

#include "ui/SettingsPresenter.h"

#include <QObject>
#include <QtQml/qqmlregistration.h>
#include <functional>
#include <memory>

class QQuickView;

namespace velto {

class AppModel;
class CatalogPickers;
class ShortcutEditor;
class ViewEngine;

// Hosts the settings window: made once, then kept; closing it only hides it, so it keeps its
// section between opens.
class SettingsViewController : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The app makes the settings window's controller.")

public:
    struct Handlers
    {
        std::function<void(bool)> launchAtLogin;
        std::function<void()> shortcutChanged;
        std::function<void()> signIn;
        std::function<void()> signOut;
        // The help pages of the global shortcut and of text replacement.
        std::function<void()> openShortcutHelp;
        std::function<void()> openTextReplacementHelp;
        std::function<void()> useFreeShortcut;
        std::function<void()> addDesktopShortcut;
        std::function<void()> removeDesktopShortcut;
    };

    SettingsViewController(AppModel& model, Handlers handlers, ViewEngine& engine,
                           QObject* parent = nullptr);
    ~SettingsViewController() override;

    QQuickView* view();
    bool isShown() const;
    // Shows the window in front, made key.
    void show();

    Q_INVOKABLE void setLaunchAtLogin(bool enabled);
    Q_INVOKABLE void setSoundOnCompletion(bool enabled);
    Q_INVOKABLE void setPreviewBeforeReplacing(bool enabled);
    Q_INVOKABLE void pressAccount();
    // The button of a capability row.
    Q_INVOKABLE void pressCapability(velto::SettingsPresenter::Capability capability);

private:
    AppModel& m_model;
    Handlers m_handlers;
    ViewEngine& m_engine;
    std::unique_ptr<SettingsPresenter> m_presenter;
    std::unique_ptr<CatalogPickers> m_pickers;
    std::unique_ptr<ShortcutEditor> m_editor;
    std::unique_ptr<QQuickView> m_view;
};

} // namespace velto
