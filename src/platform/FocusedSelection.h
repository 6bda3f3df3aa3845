#pragma once

#include <QString>
#include <optional>
#include <qcoro/qcorotask.h>

namespace velto {

// The text selected in the focused element of the frontmost application, read without touching
// the clipboard, where the platform offers a way to.
class FocusedSelection
{
public:
    virtual ~FocusedSelection() = default;
    // As the application reports it (untrimmed); none when it cannot be read.
    virtual QCoro::Task<std::optional<QString>> selectedText() = 0;
};

} // namespace velto
