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
        co_return text;
    }
};

} // namespace velto::fakes
