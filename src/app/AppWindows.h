#pragma once

#include <QRect>
#include <optional>

namespace velto {

class PreviewPresenter;

// The controller's visible side: the quick panel under the tray icon and the settings window.
// The desktop build hosts the real views; tests record the calls.
class AppWindows
{
public:
    virtual ~AppWindows() = default;
    // Also true for a moment after a click elsewhere closed the panel: that click may have
    // been the one on the tray icon, and must close rather than reopen it.
    virtual bool quickPanelShown() = 0;
    virtual void showQuickPanel() = 0;
    virtual void closeQuickPanel() = 0;
    // Shows the settings window in front (made on first use, then kept).
    virtual void showSettings() = 0;
    // Shows the preview of a rewrite beside the selection (global coordinates; none: near the
    // pointer), taking the keyboard. False when there is no window to show it in.
    virtual bool showPreview(PreviewPresenter& /*presenter*/, std::optional<QRect> /*selection*/)
    {
        return false;
    }
    // Hides it without taking anything back: the desktop gives the focus to the window below.
    virtual void closePreview() {}
};

} // namespace velto
