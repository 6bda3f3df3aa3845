#pragma once

#include "platform/RunningApplication.h"

#include <QCoro/QCoroTask>
#include <optional>

namespace velto {

class Sleeper;
class Workspace;

// After one of Velto's windows closed: waits for the window manager to give the focus back to
// `previous`, and asks for it after a while if it has not. Bounded; none or a terminated
// application returns at once.
QCoro::Task<> returnToApplication(Workspace& workspace, Sleeper& sleeper,
                                  std::optional<RunningApplication> previous);

} // namespace velto
