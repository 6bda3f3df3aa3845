#pragma once

// The HTTP suite is one executable of several test classes, one per group of endpoints; each
// class registers itself with VELTO_HTTP_SUITE and main() runs them in turn.

#include "support/ServerFixture.h"

#include <QtTest>

#include <vector>

namespace velto::server::testing {

inline std::vector<QObject* (*)()>& httpSuites()
{
    static std::vector<QObject* (*)()> suites;
    return suites;
}

} // namespace velto::server::testing

#define VELTO_HTTP_SUITE(Suite)                                                                    \
    static const bool registered##Suite =                                                          \
        (velto::server::testing::httpSuites().push_back([]() -> QObject* { return new Suite; }),   \
         true);
