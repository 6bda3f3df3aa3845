#pragma once

#include "platform/SoundPlayer.h"

struct ca_context;

namespace velto {

// The freedesktop sound theme through libcanberra; event "complete" for a finished rewrite.
class CanberraSoundPlayer : public SoundPlayer
{
public:
    CanberraSoundPlayer();
    ~CanberraSoundPlayer() override;
    CanberraSoundPlayer(const CanberraSoundPlayer&) = delete;
    CanberraSoundPlayer& operator=(const CanberraSoundPlayer&) = delete;

    void playCompletionSound() override;

private:
    ca_context* m_context = nullptr;
};

} // namespace velto
