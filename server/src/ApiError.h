#pragma once

#include <nlohmann/json.hpp>

#include <stdexcept>
#include <string>

namespace velto::server {

// A failed request as the client sees it: an HTTP status and the structured error body
// {"error":{"code","message","request_id","retryable"}}. Handlers throw it; the router writes it.
class ApiError : public std::runtime_error
{
public:
    ApiError(int status, std::string code, std::string message, bool retryable = false);

    int status() const { return m_status; }
    const std::string& code() const { return m_code; }
    const std::string& message() const { return m_message; }
    bool retryable() const { return m_retryable; }

    nlohmann::json toJson(const std::string& requestId) const;

    static ApiError badRequest(std::string code, std::string message);
    static ApiError invalidJson();
    static ApiError unauthorized(std::string message = "A valid access token is required.");
    static ApiError notFound(std::string message = "Not found.");
    static ApiError tooLarge(std::string message);
    static ApiError rateLimited();
    static ApiError upstream(std::string message);
    static ApiError databaseUnavailable();

private:
    int m_status;
    std::string m_code;
    std::string m_message;
    bool m_retryable;
};

} // namespace velto::server
