#include "model/ShortcutKeys.h"

#include <algorithm>

namespace velto::ShortcutKeys {

const QList<ShortcutKeyOption>& availableShortcutKeys()
{
    static const QList<ShortcutKeyOption> keys = [] {
        // ANSI virtual key codes of the letters a..z.
        static constexpr std::uint16_t codes[26] = {0,  11, 8,  2,  14, 3,  5,  4,  34,
                                                    38, 40, 37, 46, 45, 31, 35, 12, 15,
                                                    1,  17, 32, 9,  13, 7,  16, 6};
        QList<ShortcutKeyOption> list;
        list.reserve(26);
        for (int i = 0; i < 26; ++i) {
            const QChar letter(u'a' + i);
            list.append({QString(letter), QString(letter.toUpper()), codes[i]});
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

std::uint16_t keyCode(const QString& keyID)
{
    const ShortcutKeyOption* option = find(keyID);
    return option ? option->keyCode : defaultKeyCode;
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
