#pragma once

// The HTTP suite is one executable of several test classes, one per group of endpoints; each
// class registers itself with VELTO_HTTP_SUITE and main() runs them in turn.

#include "support/ServerFixture.h"

#include <QtTest>

#include <functional>
#include <memory>
#include <vector>

namespace velto::server::testing {

inline std::vector<std::function<std::unique_ptr<QObject>()>>& httpSuites()
{
    static std::vector<std::function<std::unique_ptr<QObject>()>> suites;
    return suites;
}

template <class Suite> struct HttpSuiteRegistration
{
    HttpSuiteRegistration()
    {
        httpSuites().push_back([] { return std::make_unique<Suite>(); });
    }
};

} // namespace velto::server::testing

#define VELTO_HTTP_SUITE(Suite)                                                                    \
    static const velto::server::testing::HttpSuiteRegistration<Suite> registration##Suite;
