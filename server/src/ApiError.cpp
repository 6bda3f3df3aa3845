#include "ApiError.h"

namespace velto::server {

ApiError::ApiError(int status, std::string code, std::string message, bool retryable)
    : std::runtime_error(message), m_status(status), m_code(std::move(code)),
      m_message(std::move(message)), m_retryable(retryable)
{
}

nlohmann::json ApiError::toJson(const std::string& requestId) const
{
    return {{"error",
             {{"code", m_code},
              {"message", m_message},
              {"request_id", requestId},
              {"retryable", m_retryable}}}};
}

ApiError ApiError::badRequest(std::string code, std::string message)
{
    return ApiError(400, std::move(code), std::move(message));
}

ApiError ApiError::invalidJson()
{
    return ApiError(400, "invalid_json", "The request body is not a JSON object.");
}

ApiError ApiError::unauthorized(std::string message)
{
    return ApiError(401, "unauthorized", std::move(message));
}

ApiError ApiError::notFound(std::string message)
{
    return ApiError(404, "not_found", std::move(message));
}

ApiError ApiError::tooLarge(std::string message)
{
    return ApiError(413, "payload_too_large", std::move(message));
}

ApiError ApiError::rateLimited()
{
    return ApiError(429, "rate_limited", "Too many requests. Please retry in a few seconds.", true);
}

ApiError ApiError::upstream(std::string message)
{
    return ApiError(502, "upstream_error", std::move(message), true);
}

ApiError ApiError::databaseUnavailable()
{
    return ApiError(503, "database_unavailable",
                    "The server cannot reach its database. Please retry in a few seconds.", true);
}

} // namespace velto::server
