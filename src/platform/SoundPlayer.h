#pragma once

namespace velto {

// Short feedback sounds. A missing sound or a muted system is skipped silently.
class SoundPlayer
{
public:
    virtual ~SoundPlayer() = default;
    virtual void playCompletionSound() = 0;
};

} // namespace velto
