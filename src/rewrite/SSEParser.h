#pragma once

#include "rewrite/SSEEvent.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

namespace velto {

// Cuts a server-sent event stream into events. A block ends at the first blank line (LF LF or
// CR LF CR LF); lines end at CR, LF or CR LF; a block that is not UTF-8 or carries no data is
// dropped. Lines are read where the chunk lies and each data line is decoded straight into the
// event, so a byte is scanned once and copied once; only a line cut by the chunk's end is kept.
// How the stream is split into chunks never changes the events.
class SSEParser
{
public:
    // A block longer than this means the peer never ends its blocks; the caller gives up on the
    // stream instead of buffering without bound.
    static constexpr qsizetype maxBlockSize = 1 << 20;

    QList<SSEEvent> append(char byte);
    // The events of every block the chunk completes, in order. Once a block grows past
    // maxBlockSize, drops it and reads nothing more.
    QList<SSEEvent> append(QByteArrayView bytes);
    // The event made from what is left, treated as a complete block; starts afresh.
    QList<SSEEvent> finish();

    bool blockTooLarge() const { return m_tooLarge; }

private:
    enum class LineEnd : quint8
    {
        none,
        lf,
        cr,
        crLf
    };

    void endLine(QByteArrayView line, LineEnd end, QList<SSEEvent>& events);
    void readField(QByteArrayView line);
    void appendData(QByteArrayView value);
    void dispatch(QList<SSEEvent>& events);
    void giveUp();

    // The line the last chunk ended in, with its CR when that was the chunk's last byte (a LF
    // may still follow).
    QByteArray m_line;
    // How the block's previous line ended: a blank line closes the block only after a line end
    // that gives LF LF or CR LF CR LF.
    LineEnd m_previousEnd = LineEnd::none;
    // Bytes of the block's finished lines, line ends included.
    qsizetype m_blockSize = 0;
    bool m_blockInvalid = false;
    bool m_tooLarge = false;
    QString m_name = QStringLiteral("message");
    // The joined data lines: m_dataSize units used of m_data, which grows by doubling.
    QString m_data;
    qsizetype m_dataSize = 0;
    qsizetype m_dataLines = 0;
};

} // namespace velto
