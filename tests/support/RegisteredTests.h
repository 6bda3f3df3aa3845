#pragma once

#include "support/TestRegistry.h"

#include <QByteArray>
#include <QMetaMethod>
#include <QSet>
#include <QTest>
#include <cstdio>
#include <memory>
#include <vector>

namespace velto::test {

namespace detail {

// QtTest's options that take the next argument as their value.
inline const QSet<QByteArray> optionsWithValue = {
    "-o",          "-maxwarnings",  "-eventdelay",   "-keydelay",
    "-mousedelay", "-eventcounter", "-minimumvalue", "-minimumtotal",
    "-iterations", "-median",       "-seed",         "-platform"};

inline bool isTestFunction(const QMetaObject& meta, const QByteArray& name)
{
    for (int i = meta.methodOffset(); i < meta.methodCount(); ++i) {
        const QMetaMethod method = meta.method(i);
        if (method.access() == QMetaMethod::Private && method.methodType() == QMetaMethod::Slot &&
            method.name() == name)
            return true;
    }
    return false;
}

// "name" of "name:row".
inline QByteArray functionName(const char* argument)
{
    const QByteArray text(argument);
    const qsizetype colon = text.indexOf(':');
    return colon < 0 ? text : text.left(colon);
}

} // namespace detail

// Runs every registered class with the options; functions named on the command line ("name" or
// "name:row") go to the class that has them, and a class with none of them is skipped, so one
// function of any class can be run by name. Needs the application object made by the caller.
inline int runRegisteredTests(int argc, char** argv)
{
    using detail::functionName;
    using detail::isTestFunction;
    using detail::optionsWithValue;
    std::vector<char*> options{argv[0]};
    std::vector<char*> functions;
    for (int i = 1; i < argc; ++i) {
        const QByteArray argument(argv[i]);
        if (argument.startsWith('-')) {
            options.push_back(argv[i]);
            if (optionsWithValue.contains(argument) && i + 1 < argc)
                options.push_back(argv[++i]);
        } else {
            functions.push_back(argv[i]);
        }
    }

    std::vector<std::unique_ptr<QObject>> tests;
    for (const auto& factory : velto::test::registry())
        tests.emplace_back(factory());

    QSet<QByteArray> found;
    int failures = 0;
    for (const std::unique_ptr<QObject>& test : tests) {
        std::vector<char*> arguments = options;
        for (char* function : functions) {
            const QByteArray name = functionName(function);
            if (isTestFunction(*test->metaObject(), name)) {
                arguments.push_back(function);
                found.insert(name);
            }
        }
        if (!functions.empty() && arguments.size() == options.size())
            continue;
        failures += QTest::qExec(test.get(), int(arguments.size()), arguments.data());
    }
    for (char* function : functions) {
        const QByteArray name = functionName(function);
        if (!found.contains(name)) {
            std::fprintf(stderr, "Unknown test function: '%s'. Use -functions to list them.\n",
                         name.constData());
            ++failures;
        }
    }
    return failures == 0 ? 0 : 1;
}

} // namespace velto::test
