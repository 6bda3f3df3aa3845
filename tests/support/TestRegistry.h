#pragma once

#include <QObject>
#include <functional>
#include <vector>

// Lets each test class of an area register itself, so one executable runs them all.
namespace velto::test {

using Factory = std::function<QObject*()>;

inline std::vector<Factory>& registry()
{
    static std::vector<Factory> factories;
    return factories;
}

struct Registration
{
    explicit Registration(Factory factory) { registry().push_back(std::move(factory)); }
};

} // namespace velto::test

#define VELTO_REGISTER_TEST(Class)                                                                 \
    static const velto::test::Registration registration##Class([] { return new Class; })
