#pragma once

#include <QRect>
#include <QString>
#include <optional>
#include <qcoro/qcorotask.h>

namespace velto {

// Where a selection was read: the text object of an application on the accessibility bus and the
// character range within it, with the text it held. Only the FocusedSelection that read it gives
// these fields meaning.
struct SelectedRange
{
    QString application;
    QString object;
    int start = 0;
    int end = 0;
    // As the application reported it (untrimmed).
    QString text;
    // Where the range lies on screen, in global coordinates; none where the application does not
    // say (or, on Wayland, cannot know where its window is).
    std::optional<QRect> screenBounds;
};

// The text selected in the focused element of the active application, read without touching
// the clipboard, where the platform offers a way to; and replaced in place where the element lets
// its text be edited from outside.
class FocusedSelection
{
public:
    enum class Replacement
    {
        replaced,
        // Nothing was changed (no editable text there, or the range no longer holds what was
        // read): another route may write the text.
        notApplicable,
        // The range was changed but does not hold the new text: writing again would write twice.
        halfApplied
    };

    virtual ~FocusedSelection() = default;
    // None when it cannot be read or nothing is selected.
    virtual QCoro::Task<std::optional<SelectedRange>> selectedRange() = 0;
    // Replaces exactly that range, if it still holds what was read.
    virtual QCoro::Task<Replacement> replace(SelectedRange range, QString text) = 0;

    // As the application reports it (untrimmed); none when it cannot be read.
    QCoro::Task<std::optional<QString>> selectedText()
    {
        const std::optional<SelectedRange> range = co_await selectedRange();
        if (!range)
            co_return std::nullopt;
        co_return range->text;
    }
};

} // namespace velto
