#include "platform/linux/Keysyms.h"

namespace velto::Keysyms {

std::optional<std::uint32_t> forKey(Qt::Key key)
{
    if (key < Qt::Key_A || key > Qt::Key_Z)
        return std::nullopt;
    return std::uint32_t('a' + (key - Qt::Key_A));
}

Qt::Key keyFor(std::uint32_t keysym)
{
    if (keysym >= 'a' && keysym <= 'z')
        return Qt::Key(Qt::Key_A + int(keysym - 'a'));
    if (keysym >= 'A' && keysym <= 'Z')
        return Qt::Key(Qt::Key_A + int(keysym - 'A'));
    return Qt::Key_unknown;
}

QList<std::uint32_t> forModifiers(Qt::KeyboardModifiers modifiers)
{
    QList<std::uint32_t> keys;
    if (modifiers & Qt::ControlModifier)
        keys << controlL;
    if (modifiers & Qt::ShiftModifier)
        keys << shiftL;
    if (modifiers & Qt::AltModifier)
        keys << altL;
    if (modifiers & Qt::MetaModifier)
        keys << superL;
    return keys;
}

} // namespace velto::Keysyms
