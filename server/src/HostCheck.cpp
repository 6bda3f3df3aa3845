#include "HostCheck.h"

#include <arpa/inet.h>
#include <cctype>

namespace velto::server {

namespace {

bool isIpLiteral(const std::string& host)
{
    unsigned char buf[sizeof(in6_addr)];
    return inet_pton(AF_INET, host.c_str(), buf) == 1 ||
           inet_pton(AF_INET6, host.c_str(), buf) == 1;
}

} // namespace

HostCheck::HostCheck(const ServerOptions& options)
{
    m_names.insert("localhost");
    std::string listen = hostName(options.host);
    // Listening on every address, the server is reached by any of the machine's addresses;
    // an address literal cannot be rebound, so those pass.
    m_anyAddress = listen == "0.0.0.0" || listen == "::";
    if (!m_anyAddress) {
        m_names.insert(listen);
    }
    if (!options.publicUrl.empty()) {
        m_names.insert(ServerOptions::urlHost(options.publicUrl));
    }
    m_refuseForwarded = options.signin == "local";
}

std::string HostCheck::hostName(const std::string& header)
{
    std::string host;
    if (!header.empty() && header.front() == '[') {
        auto close = header.find(']');
        host = close == std::string::npos ? header : header.substr(1, close - 1);
    } else if (header.find(':') != header.rfind(':')) {
        host = header; // a bare IPv6 address, as --listen ::1 gives
    } else {
        host = header.substr(0, header.find(':'));
    }
    if (!host.empty() && host.back() == '.') {
        host.pop_back();
    }
    for (auto& c : host) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return host;
}

bool HostCheck::allowed(const std::string& host) const
{
    return m_names.count(host) > 0 || (m_anyAddress && isIpLiteral(host));
}

std::optional<ApiError> HostCheck::refusal(const httplib::Request& req) const
{
    // Browsers always send Host; a client that sends none is not a page being rebound.
    if (req.has_header("Host") && !allowed(hostName(req.get_header_value("Host")))) {
        return ApiError(421, "misdirected_request",
                        "This server does not answer to that host name.");
    }
    if (m_refuseForwarded && (req.has_header("Forwarded") || req.has_header("X-Forwarded-For"))) {
        return ApiError(403, "forwarded_request",
                        "Local sign-in answers only requests made on this computer, not through "
                        "a proxy.");
    }
    return std::nullopt;
}

} // namespace velto::server
