#include "rewrite/SSEParser.h"

#include "model/StrictUtf8.h"

namespace velto {

namespace {

QStringView trimSpacesAndTabs(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && (text[begin] == u' ' || text[begin] == u'\t'))
        ++begin;
    while (end > begin && (text[end - 1] == u' ' || text[end - 1] == u'\t'))
        --end;
    return text.sliced(begin, end - begin);
}

} // namespace

QList<SSEEvent> SSEParser::append(char byte)
{
    m_buffer.append(byte);
    // Earlier bytes were scanned when they arrived, so a new separator can only end here.
    const qsizetype n = m_buffer.size();
    if (n >= 2 && m_buffer[n - 1] == '\n' && m_buffer[n - 2] == '\n') {
        // CR LF LF also ends in LF LF: the CR then belongs to the block.
        if (auto event = takeBlock(2))
            return {*event};
        return {};
    }
    if (n >= 4 && m_buffer[n - 4] == '\r' && m_buffer[n - 3] == '\n' && m_buffer[n - 2] == '\r' &&
        m_buffer[n - 1] == '\n') {
        if (auto event = takeBlock(4))
            return {*event};
    }
    return {};
}

QList<SSEEvent> SSEParser::append(const QByteArray& bytes)
{
    QList<SSEEvent> events;
    for (const char byte : bytes) {
        events.append(append(byte));
        if (blockTooLarge())
            break;
    }
    return events;
}

std::optional<SSEEvent> SSEParser::takeBlock(qsizetype separatorLength)
{
    const QByteArray block = m_buffer.left(m_buffer.size() - separatorLength);
    m_buffer.clear();
    const std::optional<QString> text = strictUtf8(block);
    if (!text)
        return std::nullopt;
    return parseBlock(*text);
}

QList<SSEEvent> SSEParser::finish()
{
    if (m_buffer.isEmpty())
        return {};
    const std::optional<QString> text = strictUtf8(m_buffer);
    m_buffer.clear();
    if (!text)
        return {};
    if (auto event = parseBlock(*text))
        return {*event};
    return {};
}

std::optional<SSEEvent> SSEParser::parseBlock(const QString& block)
{
    QString name = QStringLiteral("message");
    QStringList dataLines;

    auto handleLine = [&](QStringView line) {
        if (line.isEmpty() || line.startsWith(u':'))
            return;
        if (line.startsWith(u"event:")) {
            name = trimSpacesAndTabs(line.sliced(6)).toString();
        } else if (line.startsWith(u"data:")) {
            QStringView value = line.sliced(5);
            if (value.startsWith(u' '))
                value = value.sliced(1);
            dataLines.append(value.toString());
        }
    };

    const QStringView text(block);
    qsizetype lineStart = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c != u'\n' && c != u'\r')
            continue;
        handleLine(text.sliced(lineStart, i - lineStart));
        if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            ++i;
        lineStart = i + 1;
    }
    handleLine(text.sliced(lineStart));

    QString data = dataLines.join(u'\n');
    if (data.isEmpty())
        return std::nullopt;
    return SSEEvent{name, data};
}

} // namespace velto
