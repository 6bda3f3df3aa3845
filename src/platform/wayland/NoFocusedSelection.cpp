#include "platform/wayland/NoFocusedSelection.h"

namespace velto {

QCoro::Task<std::optional<QString>> NoFocusedSelection::selectedText()
{
    co_return std::nullopt;
}

} // namespace velto
