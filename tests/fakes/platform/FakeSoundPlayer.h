#pragma once

#include "platform/SoundPlayer.h"

namespace velto::fakes {

class FakeSoundPlayer : public SoundPlayer
{
public:
    int completionSounds = 0;
    void playCompletionSound() override { ++completionSounds; }
};

} // namespace velto::fakes
