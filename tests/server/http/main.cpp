// Runs every test class of the HTTP suite on one store: SQLite by default, PostgreSQL (a scratch
// server of its own, a fresh database per fixture) with VELTO_TEST_STORE=postgresql.

#include "Crypto.h"
#include "support/RegisteredTests.h"
#include "support/ScratchPostgres.h"
#include "support/ServerFixture.h"

using namespace velto::server;
using namespace velto::server::testing;

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    crypto::initialize();
    std::unique_ptr<ScratchPostgres> postgres;
    if (qgetenv("VELTO_TEST_STORE") == "postgresql") {
        if (std::string missing = ScratchPostgres::missing(); !missing.empty()) {
            qInfo("SKIP: %s", missing.c_str());
            return 0;
        }
        postgres = std::make_unique<ScratchPostgres>();
        ServerFixture::freshDatabase() = [&] { return postgres->createDatabase(); };
    }
    qInfo("store: %s", ServerFixture::onPostgres() ? "postgresql" : "sqlite");
    const int failed = velto::test::runRegisteredTests(argc, argv);
    ServerFixture::freshDatabase() = nullptr;
    return failed;
}
