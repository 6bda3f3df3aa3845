#include "platform/x11/X11Platform.h"

namespace velto {

X11Platform::X11Platform(DesktopLauncher& launcher) : m_workspace(m_connection, m_windows, launcher)
{
    m_focusedSelection.warmUp();
}

} // namespace velto
