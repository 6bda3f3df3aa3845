#include "platform/TimerSleeper.h"
#include "fakes/auth/RunTask.h"
#include "platform/CancellationToken.h"
#include "support/TestRegistry.h"

#include <QTest>
#include <QTimer>

using namespace velto;
using namespace std::chrono_literals;

class TimerSleeperTest : public QObject
{
    Q_OBJECT

private slots:
    void sleepEndsAtItsTimeOrWhenCancelled()
    {
        TimerSleeper sleeper;
        QVERIFY(runTask(sleeper.sleep(10ms)));
        auto token = std::make_shared<CancellationToken>();
        QVERIFY(runTask(sleeper.sleep(10ms, token)));
        QTimer::singleShot(20ms, token.get(), &CancellationToken::cancel);
        // Would outlast the test's time limit if the token were not heard.
        QVERIFY(!runTask(sleeper.sleep(std::chrono::hours(1), token), 60s));
        QVERIFY(!runTask(sleeper.sleep(std::chrono::hours(1), token), 60s));
    }
};

VELTO_REGISTER_TEST(TimerSleeperTest);
#include "TimerSleeperTest.moc"
