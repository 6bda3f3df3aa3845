#include "support/TestRegistry.h"

#include <QTest>
#include <memory>

// Define VELTO_TEST_WIDGETS on the target when its tests need a QApplication.
#ifdef VELTO_TEST_WIDGETS
#include <QApplication>
using TestApplication = QApplication;
#else
#include <QCoreApplication>
using TestApplication = QCoreApplication;
#endif

int main(int argc, char** argv)
{
    TestApplication app(argc, argv);
    int failures = 0;
    for (const auto& factory : velto::test::registry()) {
        std::unique_ptr<QObject> test(factory());
        failures += QTest::qExec(test.get(), argc, argv);
    }
    return failures == 0 ? 0 : 1;
}
