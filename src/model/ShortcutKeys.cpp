#include "model/ShortcutKeys.h"

#include <algorithm>

namespace velto::ShortcutKeys {

const QList<ShortcutKeyOption>& availableShortcutKeys()
{
    static const QList<ShortcutKeyOption> keys = [] {
        QList<ShortcutKeyOption> list;
        list.reserve(26);
        for (int i = 0; i < 26; ++i) {
            const QChar letter(u'a' + i);
            list.append({QString(letter), QString(letter.toUpper()), Qt::Key(Qt::Key_A + i)});
        }
        return list;
    }();
    return keys;
}

namespace {

const ShortcutKeyOption* find(const QString& keyID)
{
    for (const ShortcutKeyOption& option : availableShortcutKeys()) {
        if (option.id == keyID)
            return &option;
    }
    return nullptr;
}

} // namespace

QString normalizedShortcutKey(const QString& value)
{
    const QString key = value.trimmed().toLower();
    return find(key) ? key : defaultKeyID;
}

QKeyCombination combination(const QString& keyID, bool requiresShift)
{
    const ShortcutKeyOption* option = find(keyID);
    const Qt::Key key = option ? option->key : Qt::Key_L;
    return QKeyCombination(requiresShift ? shortcutModifier | Qt::ShiftModifier
                                         : Qt::KeyboardModifiers(shortcutModifier),
                           key);
}

QKeyCombination combination(const ParsedShortcut& shortcut)
{
    return combination(shortcut.keyID, shortcut.requiresShift);
}

std::optional<ParsedShortcut> parsedShortcut(QKeyCombination combination)
{
    const Qt::KeyboardModifiers modifiers = combination.keyboardModifiers();
    if (modifiers != shortcutModifier && modifiers != (shortcutModifier | Qt::ShiftModifier))
        return std::nullopt;
    for (const ShortcutKeyOption& option : availableShortcutKeys()) {
        if (option.key == combination.key())
            return ParsedShortcut{option.id, modifiers.testFlag(Qt::ShiftModifier)};
    }
    return std::nullopt;
}

QString display(const QString& keyID, bool requiresShift)
{
    const ShortcutKeyOption* option = find(keyID);
    const QString title = option ? option->title : QStringLiteral("L");
    return (requiresShift ? QStringLiteral("Super+Shift+") : QStringLiteral("Super+")) + title;
}

QString display(const ParsedShortcut& shortcut)
{
    return display(shortcut.keyID, shortcut.requiresShift);
}

const QList<ParsedShortcut>& freeShortcutCandidates()
{
    static const QList<ParsedShortcut> candidates = [] {
        QList<ParsedShortcut> list{{defaultKeyID, defaultRequiresShift}};
        for (bool shift : {true, false}) {
            for (const ShortcutKeyOption& key : availableShortcutKeys()) {
                const ParsedShortcut candidate{key.id, shift};
                if (!list.contains(candidate))
                    list.append(candidate);
            }
        }
        return list;
    }();
    return candidates;
}

std::optional<ParsedShortcut> parseShortcutInput(const QString& input, const QStringList& validKeys)
{
    QString s = input.trimmed().toLower();
    // The logo key goes by many names; each one (and the ⌘ of stored habits) is accepted.
    static const QStringList logoKeys = {QStringLiteral("⌘"),       QStringLiteral("cmd"),
                                         QStringLiteral("command"), QStringLiteral("super"),
                                         QStringLiteral("meta"),    QStringLiteral("win")};
    if (std::none_of(logoKeys.begin(), logoKeys.end(),
                     [&s](const QString& name) { return s.contains(name); }))
        return std::nullopt;
    const bool shift = s.contains(u"⇧") || s.contains(u"shift");

    static const QStringList separators = {QStringLiteral("shift"), QStringLiteral("⇧"),
                                           QStringLiteral("+"),     QStringLiteral("-"),
                                           QStringLiteral("_"),     QStringLiteral(" ")};
    for (const QString& token : logoKeys)
        s.remove(token);
    for (const QString& token : separators)
        s.remove(token);

    QString letters;
    for (const QChar c : std::as_const(s)) {
        if (c >= u'a' && c <= u'z')
            letters.append(c);
    }
    if (letters.size() != 1 || !validKeys.contains(letters))
        return std::nullopt;
    return ParsedShortcut{letters, shift};
}

} // namespace velto::ShortcutKeys
