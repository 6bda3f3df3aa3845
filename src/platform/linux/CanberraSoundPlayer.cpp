#include "platform/linux/CanberraSoundPlayer.h"

#include <canberra.h>

namespace velto {

CanberraSoundPlayer::CanberraSoundPlayer()
{
    if (ca_context_create(&m_context) != CA_SUCCESS) {
        m_context = nullptr;
        return;
    }
    ca_context_change_props(m_context, CA_PROP_APPLICATION_NAME, "Velto", CA_PROP_APPLICATION_ID,
                            "app.velto.Velto", nullptr);
}

CanberraSoundPlayer::~CanberraSoundPlayer()
{
    if (m_context)
        ca_context_destroy(m_context);
}

void CanberraSoundPlayer::playCompletionSound()
{
    if (!m_context)
        return;
    // Plays asynchronously; a missing theme, no sound server or a muted system is not an error
    // anyone needs to see.
    ca_context_play(m_context, 0, CA_PROP_EVENT_ID, "complete", CA_PROP_EVENT_DESCRIPTION,
                    "Rewrite complete", nullptr);
}

} // namespace velto
