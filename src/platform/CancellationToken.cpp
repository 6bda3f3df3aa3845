#include "platform/CancellationToken.h"

namespace velto {

void CancellationToken::cancel()
{
    if (m_cancelled)
        return;
    m_cancelled = true;
    emit cancelled();
}

} // namespace velto
