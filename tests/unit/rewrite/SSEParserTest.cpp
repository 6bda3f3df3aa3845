#include "rewrite/SSEParser.h"
#include "support/TestRegistry.h"

#include <QTest>

using namespace velto;

Q_DECLARE_METATYPE(QList<velto::SSEEvent>)

namespace {

QList<SSEEvent> feed(SSEParser& parser, const QByteArray& bytes)
{
    QList<SSEEvent> events;
    for (const char byte : bytes)
        events.append(parser.append(byte));
    return events;
}

SSEEvent msg(const QString& data)
{
    return {QStringLiteral("message"), data};
}

// One event of data lines of the lengths the parser's word and vector steps tell apart, one of
// them not ASCII, ended by LF, CR LF and CR in turn.
std::pair<QByteArray, QList<SSEEvent>> longEvent()
{
    const char* ends[] = {"\n", "\r\n", "\r"};
    QByteArray stream;
    QStringList values;
    for (const int length : {0, 1, 7, 8, 15, 16, -1, 17, 33}) {
        const QByteArray value =
            length < 0 ? QString("é👋…").toUtf8() : QByteArray(length, char('a' + length % 26));
        stream += (length % 2 ? "data:" : "data: ") + value + ends[values.size() % 3];
        values << QString::fromUtf8(value);
    }
    return {stream + "\r\n", {msg(values.join('\n'))}};
}

} // namespace

namespace QTest {
template <> char* toString(const SSEEvent& event)
{
    return QTest::toString(QStringLiteral("%1:%2").arg(event.event, event.data));
}
} // namespace QTest

class SSEParserTest : public QObject
{
    Q_OBJECT

private slots:
    void cutsStreamsIntoEvents_data()
    {
        QTest::addColumn<QByteArray>("stream");
        QTest::addColumn<QList<SSEEvent>>("events");

        QTest::newRow("one block") << QByteArray("data: Hello\n\n") << QList{msg("Hello")};
        QTest::newRow("data spacing") << QByteArray("data:a\n\ndata: b\n\ndata:  c\n\n")
                                      << QList{msg("a"), msg("b"), msg(" c")};
        QTest::newRow("two data lines join with LF")
            << QByteArray("event: delta\ndata: one\ndata: two\n\n")
            << QList{SSEEvent{"delta", "one\ntwo"}};
        QTest::newRow("comments and other fields give nothing")
            << QByteArray(": keep-alive\n\nid: 7\nretry: 100\n\n") << QList<SSEEvent>{};
        QTest::newRow("empty data gives nothing") << QByteArray("data:\n\n") << QList<SSEEvent>{};
        QTest::newRow("two empty data lines give a line feed")
            << QByteArray("data:\ndata:\n\n") << QList{msg("\n")};
        QTest::newRow("last event name wins, trimmed")
            << QByteArray("event: a\nevent: \t error \ndata: boom\n\n")
            << QList{SSEEvent{"error", "boom"}};
        QTest::newRow("bare event line empties the name")
            << QByteArray("event:\ndata: x\n\n") << QList{SSEEvent{"", "x"}};
        QTest::newRow("event is case-sensitive")
            << QByteArray("Event: error\nDATA: no\ndata: yes\n\n") << QList{msg("yes")};
        QTest::newRow("CRLF everywhere")
            << QByteArray("data: one\r\ndata: two\r\n\r\ndata: three\r\n\r\n")
            << QList{msg("one\ntwo"), msg("three")};
        QTest::newRow("lone CR ends a line")
            << QByteArray("data: a\rdata: b\n\n") << QList{msg("a\nb")};
        QTest::newRow("CR LF LF: the CR is a line end inside the block")
            << QByteArray("data: a\r\n\ndata: b\n\n") << QList{msg("a"), msg("b")};
        QTest::newRow("blank line CR CR is no separator")
            << QByteArray("data: a\r\rdata: b\n\n") << QList{msg("a\nb")};
        QTest::newRow("remainder without blank line comes from finish")
            << QByteArray("data: one\n\ndata: tail") << QList{msg("one"), msg("tail")};
        QTest::newRow("invalid UTF-8 block is dropped, the next one kept")
            << QByteArray("data: \xff\xfe\n\ndata: ok\n\n") << QList{msg("ok")};
        QTest::newRow("overlong encoding is invalid")
            << QByteArray("data: \xc0\xaf\n\ndata: ok\n\n") << QList{msg("ok")};
        QTest::newRow("encoded surrogate is invalid")
            << QByteArray("data: \xed\xa0\x80\n\ndata: ok\n\n") << QList{msg("ok")};
        QTest::newRow("character cut short by the separator is invalid")
            << QByteArray("data: \xe2\x82\n\ndata: ok\n\n") << QList{msg("ok")};
        QTest::newRow("invalid byte in an ignored line drops the block")
            << QByteArray("id: \xff\ndata: lost\n\ndata: ok\n\n") << QList{msg("ok")};
        QTest::newRow("LF then CR LF CR LF: the LF stays in the block")
            << QByteArray("data: a\n\r\n\r\ndata: b\n\n") << QList{msg("a"), msg("b")};
        QTest::newRow("LF CR LF CR then text is no separator")
            << QByteArray("data: a\n\r\n\rdata: b\n\n") << QList{msg("a\nb")};
        QTest::newRow("empty blocks between events")
            << QByteArray("\n\n\r\n\r\ndata: a\n\n\n\ndata: b\r\n\r\n\n\n")
            << QList{msg("a"), msg("b")};
        QTest::newRow("event line between data lines")
            << QByteArray("data: a\nevent: name\ndata: b\n: note\ndata: c\n\n")
            << QList{SSEEvent{"name", "a\nb\nc"}};
        QTest::newRow("many data lines join in order")
            << QByteArray("data: 1\ndata: 2\r\ndata:3\rdata:  4\n\n") << QList{msg("1\n2\n3\n 4")};
        QTest::newRow("non-ASCII text")
            << QByteArray("data: καλημέρα 👋\n\n") << QList{msg("καλημέρα 👋")};
        QTest::newRow("NUL inside data is kept")
            << QByteArray("data: a\0b\n\n", 11) << QList{msg(QString("a") + QChar(0) + "b")};
        QTest::newRow("CRLF events with a lone CR, the last one cut by the end")
            << QByteArray("data: a\r\n\r\ndata: b\r\rdata: c\r\n\r\n:x\r\n\r\ndata: d\r")
            << QList{msg("a"), msg("b\nc"), msg("d")};
        const auto [stream, events] = longEvent();
        QTest::newRow("long event, every line length") << stream << events;
    }

    // Whole, byte by byte and cut in three at every two places: the same events.
    void cutsStreamsIntoEvents()
    {
        QFETCH(QByteArray, stream);
        QFETCH(QList<SSEEvent>, events);
        SSEParser bytes;
        const QList<SSEEvent> byBytes = feed(bytes, stream);
        QCOMPARE(byBytes + bytes.finish(), events);
        for (qsizetype first = 0; first <= stream.size(); ++first) {
            for (qsizetype second = first; second <= stream.size(); ++second) {
                SSEParser parser;
                QList<SSEEvent> got = parser.append(stream.first(first));
                got.append(parser.append(stream.sliced(first, second - first)));
                got.append(parser.append(stream.sliced(second)));
                got.append(parser.finish());
                QVERIFY2(got == events,
                         qPrintable(QStringLiteral("cut at %1 and %2").arg(first).arg(second)));
            }
        }
    }

    void anEventArrivesWithTheLastByteOfItsBlock()
    {
        SSEParser parser;
        QVERIFY(feed(parser, "data: He").isEmpty());
        QVERIFY(feed(parser, "llo\n").isEmpty());
        QCOMPARE(parser.append('\n'), QList{msg("Hello")});

        QVERIFY(feed(parser, "data: x\r\n\r").isEmpty());
        QCOMPARE(parser.append('\n'), QList{msg("x")});
        QVERIFY(parser.finish().isEmpty());
        feed(parser, "data: x");
        QCOMPARE(parser.finish(), QList{msg("x")});
        QVERIFY(parser.finish().isEmpty());
    }

    void anEndlessBlockIsFlagged_data()
    {
        QTest::addColumn<QByteArray>("chunk");
        QTest::newRow("one endless line") << QByteArray(64 * 1024, 'x');
        QTest::newRow("endless lines") << "data: " + QByteArray(1000, 'x') + "\r\n";
    }

    void anEndlessBlockIsFlagged()
    {
        QFETCH(QByteArray, chunk);
        SSEParser parser;
        feed(parser, "data: ");
        for (int i = 0; i <= SSEParser::maxBlockSize / chunk.size(); ++i)
            QVERIFY(parser.append(chunk).isEmpty());
        QVERIFY(parser.blockTooLarge());
        QVERIFY(parser.finish().isEmpty());
        QVERIFY(!parser.blockTooLarge());
        // A block that ends in time is fine however many came before it.
        for (int i = 0; i < 100; ++i)
            QCOMPARE(parser.append("data: " + QByteArray(20000, 'y') + "\n\n").size(), 1);
        QVERIFY(!parser.blockTooLarge());
    }

    void aBlockOverTheLimitIsFlaggedHoweverItArrives()
    {
        const QByteArray stream =
            "data: ok\n\ndata: " + QByteArray(SSEParser::maxBlockSize, 'z') + "\n\ndata: late\n\n";
        SSEParser whole;
        QCOMPARE(whole.append(stream), QList{msg("ok")});
        QVERIFY(whole.blockTooLarge());
        QVERIFY(whole.append("data: more\n\n").isEmpty());
        QVERIFY(whole.finish().isEmpty());

        SSEParser chunked;
        QList<SSEEvent> events;
        for (qsizetype at = 0; at < stream.size() && !chunked.blockTooLarge(); at += 4096)
            events.append(chunked.append(QByteArrayView(stream).sliced(at).first(
                std::min<qsizetype>(4096, stream.size() - at))));
        QCOMPARE(events, QList{msg("ok")});
        QVERIFY(chunked.blockTooLarge());
    }
};

VELTO_REGISTER_TEST(SSEParserTest);
#include "SSEParserTest.moc"
