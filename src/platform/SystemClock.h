#pragma once

#include "platform/Clock.h"

namespace velto {

class SystemClock : public Clock
{
public:
    double now() const override;
};

} // namespace velto
