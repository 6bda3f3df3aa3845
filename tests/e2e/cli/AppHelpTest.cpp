// The `velto` program's own command line: what it prints before it has an application object
// (--help needs no display), in the user's language.

#include "CliProcess.h"

#include <QProcessEnvironment>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

struct Row
{
    const char* name;
    QStringList arguments;
    QString language; // LANGUAGE; the locale itself is C.UTF-8
    int exitCode;
    bool onStandardError;
    QString firstLine;
    QString alsoContains;
};

} // namespace

class AppHelpTest : public QObject
{
    Q_OBJECT

private slots:
    void printsItsMessagesInTheUsersLanguage()
    {
        const Row rows[] = {
            {"help in German",
             {u"--help"_s},
             u"de"_s,
             0,
             false,
             u"Aufruf: velto [--trigger | --quit | --help | --version]"_s,
             u"\n  --quit          das laufende Velto beenden\n"_s},
            {"help without a catalogue",
             {u"-h"_s},
             u"xx"_s,
             0,
             false,
             u"Usage: velto [--trigger | --quit | --help | --version]"_s,
             u"\n  --quit       ask the running Velto to quit\n"_s},
            {"unknown option in German",
             {u"--trigger"_s, u"--bogus"_s},
             u"de"_s,
             2,
             true,
             u"velto: unbekannte Option --bogus"_s,
             u"\n\nAufruf: velto [--trigger | --quit | --help | --version]\n"_s},
            {"no running instance in German",
             {u"--quit"_s},
             u"de"_s,
             1,
             true,
             u"velto: Velto läuft nicht"_s,
             {}},
        };
        for (const Row& row : rows) {
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(u"LANG"_s, u"C.UTF-8"_s);
            environment.remove(u"LC_ALL"_s);
            environment.remove(u"LC_MESSAGES"_s);
            environment.insert(u"LANGUAGE"_s, row.language);
            // Nothing here may need a display.
            environment.remove(u"DISPLAY"_s);
            environment.remove(u"WAYLAND_DISPLAY"_s);
            CliProcess velto(QStringLiteral(VELTO_APP_BINARY));
            velto.setEnvironment(environment);
            velto.start(row.arguments);
            const CliProcess::Result result = velto.finish(CliProcess::defaultTimeoutMs);
            const QString& shown = row.onStandardError ? result.err : result.out;
            const QString& other = row.onStandardError ? result.out : result.err;
            QVERIFY2(result.exitCode == row.exitCode, qPrintable(result.describe()));
            QVERIFY2(shown.section(u'\n', 0, 0) == row.firstLine,
                     qPrintable(row.name + u": "_s + result.describe()));
            QVERIFY2(shown.contains(row.alsoContains),
                     qPrintable(row.name + u": "_s + result.describe()));
            QVERIFY2(other.isEmpty(), qPrintable(row.name + u": "_s + result.describe()));
        }
    }
};

QTEST_GUILESS_MAIN(AppHelpTest)
#include "AppHelpTest.moc"
