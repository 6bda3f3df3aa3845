#pragma once

#include "model/UserNotice.h"

#include <QString>

namespace velto {

// What the user is shown for a failure: sorted by words in its description, so transport,
// session and protocol failures read the same wherever they come from.
struct PresentableError
{
    QString title;
    QString message;
    UserNoticeStyle style = UserNoticeStyle::error;

    static PresentableError from(const QString& description, const QString& fallbackTitle);
    bool operator==(const PresentableError&) const = default;
};

} // namespace velto
