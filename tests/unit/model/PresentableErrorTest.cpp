#include "model/PresentableError.h"
#include "support/TestRegistry.h"

#include <QTest>

using namespace velto;

class PresentableErrorTest : public QObject
{
    Q_OBJECT

private slots:
    void failuresAreSortedByTheirWords_data()
    {
        QTest::addColumn<QString>("description");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("style");

        const QString network =
            "Velto couldn't reach the rewrite service. Check your connection and try again.";
        const QString account =
            "Your session is no longer valid. Sign in again from Setup to continue.";
        const QString unexpected =
            "The rewrite service returned an unexpected response. Please try again in a moment.";
        const int warning = int(UserNoticeStyle::warning);
        const int error = int(UserNoticeStyle::error);
        QTest::newRow("time-out") << "The request timed out."
                                  << "Network issue" << network << warning;
        QTest::newRow("network wins over token") << "network error while refreshing token"
                                                 << "Network issue" << network << warning;
        QTest::newRow("sign in") << "Please sign in first."
                                 << "Account required" << account << warning;
        QTest::newRow("authoriz") << "Not AUTHORIZED"
                                  << "Account required" << account << warning;
        QTest::newRow("invalid response any case") << "Server returned an Invalid Response."
                                                   << "Rewrite failed" << unexpected << error;
        QTest::newRow("stream ended") << "Rewrite stream ended unexpectedly."
                                      << "Rewrite failed" << unexpected << error;
        QTest::newRow("raw text kept, trimmed") << "  Quota exceeded \n"
                                                << "Rewrite failed"
                                                << "Quota exceeded" << error;
        QTest::newRow("empty") << " \n "
                               << "Rewrite failed"
                               << "Something went wrong. Please try again." << error;
    }

    void failuresAreSortedByTheirWords()
    {
        QFETCH(QString, description);
        QFETCH(QString, title);
        QFETCH(QString, message);
        QFETCH(int, style);
        const PresentableError presented = PresentableError::from(description, "Rewrite failed");
        QCOMPARE(presented.title, title);
        QCOMPARE(presented.message, message);
        QCOMPARE(int(presented.style), style);
    }
};

VELTO_REGISTER_TEST(PresentableErrorTest);
#include "PresentableErrorTest.moc"
