#pragma once

#include "platform/x11/X11Connection.h"
#include "platform/x11/X11SelectionOwner.h"
#include "platform/x11/X11SelectionReader.h"

#include <QRandomGenerator>
#include <qcoro/qcorotask.h>

namespace velto::test {

// Another client: the application whose data is on the user's clipboard, and a reader that
// checks what the clipboard serves afterwards.
struct X11OtherClient
{
    X11Connection connection;
    X11SelectionOwner clipboard{connection, connection.atom("CLIPBOARD")};
    X11SelectionReader reader{connection};
    X11SelectionOwner::Contents userContents;

    // Text in two encodings, binary with NULs, 32-bit items and a large random part.
    explicit X11OtherClient(qsizetype largeSize = 1536 * 1024)
    {
        auto add = [&](const char* target, const char* type, std::uint8_t format,
                       const QByteArray& bytes) {
            userContents.insert(connection.atom(target), {connection.atom(type), format, bytes});
        };
        add("text/plain", "text/plain", 8, "line one\r\nline two\r\n");
        add("UTF8_STRING", "UTF8_STRING", 8, "line one\nline two\n");
        add("image/png", "image/png", 8, QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0", 17));
        add("application/x-numbers", "INTEGER", 32, QByteArray("\1\0\0\0\2\0\0\0\0\0\0\0", 12));
        QByteArray large(largeSize, Qt::Uninitialized);
        QRandomGenerator generator(42);
        for (char& byte : large)
            byte = char(generator.bounded(256));
        add("application/x-large", "application/x-large", 8, large);
    }
    bool ownUserClipboard() { return clipboard.own(userContents); }
    // Empty when the clipboard serves exactly the user's targets, types, formats and bytes;
    // else the first difference.
    QString clipboardDifference()
    {
        const std::uint32_t selection = connection.atom("CLIPBOARD");
        const QList<std::uint32_t> targets = QCoro::waitFor(reader.targets(selection));
        for (auto it = userContents.cbegin(); it != userContents.cend(); ++it) {
            std::optional<X11SelectionReader::Answer> answer;
            if (targets.contains(it.key()))
                answer = QCoro::waitFor(reader.convert(selection, it.key()));
            if (!answer || answer->type != it->type || answer->format != it->format ||
                answer->data != it->bytes)
                return QStringLiteral("%1 is not served as the user's (%2 of %3 bytes)")
                    .arg(QString::fromLatin1(connection.atomName(it.key())))
                    .arg(answer ? answer->data.size() : -1)
                    .arg(it->bytes.size());
        }
        return {};
    }
    bool clipboardHasOwner()
    {
        xcb_connection_t* c = connection.xcb();
        auto* reply = xcb_get_selection_owner_reply(
            c, xcb_get_selection_owner(c, connection.atom("CLIPBOARD")), nullptr);
        const bool owned = reply && reply->owner != XCB_WINDOW_NONE;
        free(reply);
        return owned;
    }
};

} // namespace velto::test
