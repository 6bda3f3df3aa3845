#pragma once

#include <QKeyCombination>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace velto {

// A letter the global shortcut can use: its stored id ("l"), what the user reads ("L") and the
// Qt key it crosses the platform ports as.
struct ShortcutKeyOption
{
    QString id;
    QString title;
    Qt::Key key = Qt::Key_unknown;
    bool operator==(const ShortcutKeyOption&) const = default;
};

struct ParsedShortcut
{
    QString keyID;
    bool requiresShift = false;
    bool operator==(const ParsedShortcut&) const = default;
};

namespace ShortcutKeys {

// Qt calls the logo key Meta: Super on Linux desktops.
constexpr Qt::KeyboardModifier shortcutModifier = Qt::MetaModifier;
inline const QString defaultKeyID = QStringLiteral("l");
// Super+Shift+L: free in the default bindings of GNOME, Plasma, Cinnamon, Xfce and MATE, where
// Super+L locks the screen (GNOME, Plasma, Cinnamon) and Super+letter is often taken.
constexpr bool defaultRequiresShift = true;
// What stores wrote before the default moved, unless the user chose otherwise.
constexpr bool legacyDefaultRequiresShift = false;

// The 26 letters a to z, in order.
const QList<ShortcutKeyOption>& availableShortcutKeys();

// Trimmed and lower-cased; anything that is not one of the letters becomes "l".
QString normalizedShortcutKey(const QString& value);

// The shortcut as it crosses the ports: Super (+ Shift) with the letter's key; L when the id is
// not one of the letters.
QKeyCombination combination(const QString& keyID, bool requiresShift);
QKeyCombination combination(const ParsedShortcut& shortcut);

// The letter and Shift flag of Super (+ Shift) with a letter; none for any other combination
// (Ctrl or Alt held, no Super, a key that is not a letter).
std::optional<ParsedShortcut> parsedShortcut(QKeyCombination combination);

// "Super+L", or "Super+Shift+L" with Shift; L when the id is not one of the letters.
QString display(const QString& keyID, bool requiresShift);

// display() of a parsed combination.
QString display(const ParsedShortcut& shortcut);

// The combinations offered when the chosen one is taken, in order: the default, then Super+Shift
// with every other letter, then Super with every letter.
const QList<ParsedShortcut>& freeShortcutCandidates();

// What the user typed in settings ("Super+L", "Meta+Shift+L", "⌘L", ...) as a letter and a
// Shift flag.
std::optional<ParsedShortcut> parseShortcutInput(const QString& input,
                                                 const QStringList& validKeys);

inline const QString inputPlaceholder = QStringLiteral("Super+L or Super+Shift+L");

} // namespace ShortcutKeys

} // namespace velto
