#pragma once

namespace velto {

enum class AppRuntimeMode
{
    debug,
    release
};

// The mode this build was compiled for; a build-time constant.
constexpr AppRuntimeMode currentRuntimeMode()
{
#ifdef VELTO_DEBUG_BUILD
    return AppRuntimeMode::debug;
#else
    return AppRuntimeMode::release;
#endif
}

} // namespace velto
