#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

namespace velto {

// A letter the global shortcut can use, with the key code the model carries for it. The codes
// are the classic ANSI virtual key codes; the X11 adapter maps them to X key codes through the
// letter (id), never through the number.
struct ShortcutKeyOption
{
    QString id;
    QString title;
    std::uint16_t keyCode = 0;
    bool operator==(const ShortcutKeyOption&) const = default;
};

struct ParsedShortcut
{
    QString keyID;
    bool requiresShift = false;
    bool operator==(const ParsedShortcut&) const = default;
};

namespace ShortcutKeys {

constexpr std::uint16_t defaultKeyCode = 37;
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

// The key code of the letter, or 37 (L) when the id is not one of them.
std::uint16_t keyCode(const QString& keyID);

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

inline const QString invalidInputHint = QStringLiteral("Use format like Super+L or Super+Shift+L.");
inline const QString inputPlaceholder = QStringLiteral("Super+L or Super+Shift+L");

} // namespace ShortcutKeys

} // namespace velto
