#pragma once

#include <stdexcept>
#include <string>

namespace velto::server {

// The database cannot be reached or has no connection free: the request may succeed when
// retried. The text names the cause for the log (never a password).
class DatabaseUnavailable : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

} // namespace velto::server
