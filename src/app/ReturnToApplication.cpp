#include "app/ReturnToApplication.h"

#include "platform/Sleeper.h"
#include "platform/Workspace.h"

#include <chrono>

namespace velto {

QCoro::Task<> returnToApplication(Workspace& workspace, Sleeper& sleeper,
                                  std::optional<RunningApplication> previous)
{
    constexpr int attempts = 40;
    constexpr auto step = std::chrono::milliseconds(25);
    for (int i = 0; previous && i < attempts; ++i) {
        const std::optional<RunningApplication> front = workspace.activeApplication();
        if (front == previous || workspace.isTerminated(*previous))
            break;
        if (i == 8)
            workspace.activate(*previous);
        co_await sleeper.sleep(step);
    }
}

} // namespace velto
