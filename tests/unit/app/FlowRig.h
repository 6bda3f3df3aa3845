#pragma once

#include "ControllerRig.h"

namespace velto::test {

// A model of its own over the controller's fakes, for testing one flow without the delegate.
struct FlowRig : ControllerRig
{
    explicit FlowRig(bool signedIn) : ControllerRig(signedIn) {}

    AppBuildConfig config() const
    {
        return {AppRuntimeMode::release, backend.baseURL(), backend.baseURL().toString(), "anon",
                "email"};
    }

    AppModel model{preferences, config()};
};

} // namespace velto::test
