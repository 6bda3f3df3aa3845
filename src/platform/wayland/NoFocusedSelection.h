#pragma once

#include "platform/FocusedSelection.h"

namespace velto {

// For sessions with no way to read the selection without the clipboard: always none, so the
// selection is read by the copy route (synthetic Ctrl+C and the clipboard).
class NoFocusedSelection : public FocusedSelection
{
public:
    QCoro::Task<std::optional<QString>> selectedText() override;
};

} // namespace velto
