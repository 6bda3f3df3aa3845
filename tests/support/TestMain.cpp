#include "support/RegisteredTests.h"

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
    return velto::test::runRegisteredTests(argc, argv);
}
