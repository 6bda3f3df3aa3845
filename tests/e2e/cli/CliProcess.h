#pragma once

#include <QByteArray>
#include <QProcess>
#include <QRegularExpressionMatch>
#include <QString>
#include <QStringList>

// One run of the real velto-cli: started with arguments and standard input, its output read
// with time-outs so that a hung client fails the test instead of stalling it.
class CliProcess
{
public:
    struct Result
    {
        bool finished = false; // false: killed after the time-out
        bool crashed = false;
        int exitCode = -1;
        QString out;
        QString err;
        QString describe() const; // for failure messages
    };

    explicit CliProcess(QString program);

    void start(const QStringList& arguments, const QByteArray& input = {});
    // The environment of the next start (the test's own when never set).
    void setEnvironment(const QProcessEnvironment& environment);
    // Waits until standard error has a line matching pattern; an empty match on time-out or
    // when the process ends first.
    QRegularExpressionMatch waitForErrorLine(const QRegularExpression& pattern, int timeoutMs);
    Result finish(int timeoutMs);
    // Sends SIGINT, as Ctrl+C in a terminal does.
    void interrupt();

    static constexpr int defaultTimeoutMs = 30'000;

private:
    QString m_program;
    QProcess m_process;
    QByteArray m_err;
};
