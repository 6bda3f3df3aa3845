#pragma once

#include "auth/Clock.h"

namespace velto {

class SystemClock : public Clock
{
public:
    double now() const override;
};

} // namespace velto
