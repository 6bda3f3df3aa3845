#include "model/ClientLogger.h"
#include "fakes/model/RecordingLogSink.h"
#include "support/TestRegistry.h"

#include <QTest>

using namespace velto;

class ClientLoggerTest : public QObject
{
    Q_OBJECT

    std::shared_ptr<RecordingLogSink> m_sink;
    std::shared_ptr<LogSink> m_previous;

private slots:
    void init()
    {
        m_sink = std::make_shared<RecordingLogSink>();
        m_previous = ClientLogger::setSink(m_sink);
    }
    void cleanup() { ClientLogger::setSink(m_previous); }

    void writesEachLevelWithMessageAndDetail()
    {
        ClientLogger::info(u"rewrite started");
        ClientLogger::warning(u"hotkey unavailable: ", u"unknown");
        ClientLogger::error(u"rewrite failed: ", u"The request timed out.");
        QCOMPARE(m_sink->lines.size(), 3);
        QVERIFY(m_sink->contains(LogLevel::info, "rewrite started"));
        QVERIFY(m_sink->contains(LogLevel::warning, "hotkey unavailable: unknown"));
        QVERIFY(m_sink->contains(LogLevel::error, "rewrite failed: The request timed out."));
    }

    void disabledLevelsWriteNothing()
    {
        m_sink->enabledLevels = 1 << int(LogLevel::error);
        ClientLogger::info(u"quick panel opened");
        ClientLogger::warning(u"failed to fetch /config: ", u"x");
        ClientLogger::error(u"auth polling failed: ", u"y");
        QCOMPARE(m_sink->lines.size(), 1);
    }

    void longDetailsAreCutWithoutSplittingACharacter()
    {
        QString detail = QString(239, QChar('a')) + QStringLiteral("😀") + QString(50, QChar('b'));
        ClientLogger::error(u"rewrite failed: ", detail);
        const QString line = m_sink->lines.last().message;
        QCOMPARE(line, "rewrite failed: " + QString(239, QChar('a')) + QChar(0x2026));

        ClientLogger::error(u"auth polling failed: ", QString(240, QChar('c')));
        QCOMPARE(m_sink->lines.last().message, "auth polling failed: " + QString(240, QChar('c')));
    }
};

VELTO_REGISTER_TEST(ClientLoggerTest);
#include "ClientLoggerTest.moc"
