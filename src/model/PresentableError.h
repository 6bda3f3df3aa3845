#pragma once

#include "model/AppErrorKind.h"
#include "model/UserNotice.h"

#include <QString>

namespace velto {

// What the user is shown for a failure: sorted by its kind, so transport, session and protocol
// failures read the same wherever they come from.
struct PresentableError
{
    QString title;
    QString message;
    UserNoticeStyle style = UserNoticeStyle::error;

    // `description` is shown only for failures of no particular kind.
    static PresentableError from(AppErrorKind kind, const QString& description,
                                 const QString& fallbackTitle);
    bool operator==(const PresentableError&) const = default;
};

} // namespace velto
