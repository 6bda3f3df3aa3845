#pragma once

#include <QKeyCombination>
#include <functional>

namespace velto {

// Observes every key-down system-wide without being able to swallow it (the fallback when no tap
// can be made). Presses arrive as the key and the modifiers held with it; keys that are not
// letters as Qt::Key_unknown.
class GlobalKeyMonitor
{
public:
    using Handler = std::function<void(QKeyCombination)>;

    virtual ~GlobalKeyMonitor() = default;
    // False when the monitor cannot be installed.
    virtual bool install(Handler handler) = 0;
    virtual void remove() = 0;
};

} // namespace velto
