#include "rewrite/ErrorKinds.h"

#include "auth/AuthServiceError.h"
#include "net/HttpClientError.h"
#include "rewrite/RewriteClientError.h"

namespace velto {

AppErrorKind ErrorKinds::of(const AppError& error)
{
    if (error.domain() == HttpClientError::domain) {
        // A malformed address is a configuration fault that no retry will mend.
        return error.code() == HttpClientError::invalidURLCode ? AppErrorKind::other
                                                               : AppErrorKind::network;
    }
    if (error.is(AuthServiceError::domain, AuthServiceError::notSignedInCode))
        return AppErrorKind::session;
    if (error.is(RewriteClientError::serverDomain, 401))
        return AppErrorKind::session;
    if (error.is(RewriteClientError::domain, RewriteClientError::invalidResponseCode) ||
        error.is(RewriteClientError::domain, RewriteClientError::streamEndedWithoutDoneCode))
        return AppErrorKind::unexpectedResponse;
    return AppErrorKind::other;
}

} // namespace velto
