#pragma once

#include <QUrl>

namespace velto {

// Where the rewrite client sends its requests.
struct RuntimeServer
{
    QUrl baseURL;
    bool requiresAuth = true;
    bool operator==(const RuntimeServer&) const = default;
};

} // namespace velto
