#include "e2e/app/SelectionPeer.h"

#include <QStringList>
#include <algorithm>
#include <cstdlib>
#include <qcoro/qcorotask.h>

namespace velto::test {

SelectionPeer::SelectionPeer()
    : m_owner(m_connection, m_connection.atom("CLIPBOARD")), m_reader(m_connection),
      m_keymap(m_connection)
{
}

X11SelectionOwner::Contents SelectionPeer::userContents()
{
    X11SelectionOwner::Contents contents;
    const std::uint32_t text = m_connection.atom("text/plain;charset=utf-8");
    const std::uint32_t png = m_connection.atom("image/png");
    contents.insert(text, {text, 8, "kept \xc3\xa9\r\nacross the rewrite\r\n"});
    contents.insert(png, {png, 8, QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\1", 20)});
    return contents;
}

bool SelectionPeer::ownClipboard()
{
    if (!m_owner.own(userContents()))
        return false;
    const std::uint32_t clipboard = m_connection.atom("CLIPBOARD");
    m_targets = QCoro::waitFor(m_reader.targets(clipboard));
    std::sort(m_targets.begin(), m_targets.end());
    return !m_targets.isEmpty();
}

QString SelectionPeer::clipboardDifference()
{
    const std::uint32_t clipboard = m_connection.atom("CLIPBOARD");
    QList<std::uint32_t> targets = QCoro::waitFor(m_reader.targets(clipboard));
    std::sort(targets.begin(), targets.end());
    if (targets != m_targets) {
        QStringList names;
        for (std::uint32_t target : targets)
            names << QString::fromLatin1(m_connection.atomName(target));
        return QStringLiteral("targets now: ") + names.join(u' ');
    }
    const X11SelectionOwner::Contents expected = userContents();
    for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
        const QString name = QString::fromLatin1(m_connection.atomName(it.key()));
        const auto answer = QCoro::waitFor(m_reader.convert(clipboard, it.key()));
        if (!answer)
            return name + QStringLiteral(": no answer");
        if (answer->type != it->type || answer->format != it->format)
            return name + QStringLiteral(": type or format differs");
        if (answer->data != it->bytes)
            return name + QStringLiteral(": bytes differ (%1 bytes: %2)")
                              .arg(answer->data.size())
                              .arg(QString::fromLatin1(answer->data.toHex()));
    }
    return {};
}

std::optional<QString> SelectionPeer::primaryText()
{
    const auto answer =
        QCoro::waitFor(m_reader.convert(XCB_ATOM_PRIMARY, m_connection.atom("UTF8_STRING")));
    if (!answer)
        return std::nullopt;
    return QString::fromUtf8(answer->data);
}

bool SelectionPeer::shortcutGrabbed(char letter)
{
    const auto key = m_keymap.keycodeForKeysym(std::uint32_t(letter));
    if (!m_connection.isConnected() || !key)
        return false;
    xcb_connection_t* c = m_connection.xcb();
    const std::uint16_t modifiers = m_keymap.superMask();
    // Grab and ungrab go out in one batch, so the server handles them back to back and the
    // app's own grab cannot fall between them.
    const xcb_void_cookie_t grab = xcb_grab_key_checked(c, 0, m_connection.root(), modifiers, *key,
                                                        XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
    xcb_ungrab_key(c, *key, m_connection.root(), modifiers);
    xcb_generic_error_t* error = xcb_request_check(c, grab);
    const bool grabbed = error && error->error_code == XCB_ACCESS;
    free(error);
    return grabbed;
}

} // namespace velto::test
