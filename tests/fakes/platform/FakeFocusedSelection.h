#pragma once

#include "platform/FocusedSelection.h"

namespace velto::fakes {

class FakeFocusedSelection : public FocusedSelection
{
public:
    std::optional<QString> text;
    int reads = 0;

    QCoro::Task<std::optional<QString>> selectedText() override
    {
        ++reads;
        // A copy: g++ 12 moves from a member named in co_return.
        std::optional<QString> copy = text;
        co_return copy;
    }
};

} // namespace velto::fakes
