#pragma once

#include "ApiError.h"
#include "ServerOptions.h"

#include <httplib.h>

#include <optional>
#include <set>
#include <string>

namespace velto::server {

// Refuses requests that did not come straight to this server under one of its own names. A
// page elsewhere may resolve its own name to 127.0.0.1 (DNS rebinding): the browser then
// sends that foreign name as Host, which is how we tell. In local sign-in mode a proxy in
// front would make every request look local, so a forwarded request is refused too.
class HostCheck
{
public:
    explicit HostCheck(const ServerOptions& options);

    // The error to answer with, or nothing when the request may go on.
    std::optional<ApiError> refusal(const httplib::Request& req) const;

    // The host part of a Host header: lower-case, without port, brackets or a final dot.
    static std::string hostName(const std::string& header);

private:
    bool allowed(const std::string& host) const;

    std::set<std::string> m_names;
    bool m_anyAddress = false;
    bool m_refuseForwarded = false;
};

} // namespace velto::server
