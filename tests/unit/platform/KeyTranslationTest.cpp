#include "platform/linux/Keysyms.h"
#include "platform/wayland/PortalKeyTap.h"
#include "platform/x11/X11SyntheticKeys.h"
#include "support/TestRegistry.h"

#include <QTest>

using namespace velto;

namespace {

constexpr Qt::KeyboardModifiers super = Qt::MetaModifier;
constexpr Qt::KeyboardModifiers superShift = Qt::MetaModifier | Qt::ShiftModifier;
constexpr Qt::KeyboardModifiers ctrl = Qt::ControlModifier;
constexpr Qt::KeyboardModifiers ctrlShift = Qt::ControlModifier | Qt::ShiftModifier;

struct KeysymRow
{
    const char* name;
    Qt::Key key;
    std::optional<std::uint32_t> keysym;
};

const KeysymRow keysymRows[] = {
    {"A", Qt::Key_A, 0x61},
    {"L", Qt::Key_L, 0x6c},
    {"Z", Qt::Key_Z, 0x7a},
    {"a digit", Qt::Key_1, std::nullopt},
    {"just before A", Qt::Key_At, std::nullopt},
    {"just after Z", Qt::Key_BracketLeft, std::nullopt},
    {"unknown", Qt::Key_unknown, std::nullopt},
};

struct TriggerRow
{
    const char* name;
    QKeyCombination shortcut;
    const char* trigger;
    const char* id;
};

// Desktops keep bindings under these ids: the spelling must not move.
const TriggerRow triggerRows[] = {
    {"Super+L", QKeyCombination(super, Qt::Key_L), "LOGO+L", "rewrite-logo-l"},
    {"Super+Shift+L", QKeyCombination(superShift, Qt::Key_L), "LOGO+SHIFT+L",
     "rewrite-logo-shift-l"},
    {"Super+Shift+D", QKeyCombination(superShift, Qt::Key_D), "LOGO+SHIFT+D",
     "rewrite-logo-shift-d"},
    {"Super+A", QKeyCombination(super, Qt::Key_A), "LOGO+A", "rewrite-logo-a"},
    {"Ctrl+Alt+Z", QKeyCombination(ctrl | Qt::AltModifier, Qt::Key_Z), "CTRL+ALT+Z",
     "rewrite-ctrl-alt-z"},
};

struct ChordRow
{
    const char* name;
    QKeyCombination asked;
    QStringList windowClass;
    QKeyCombination sent;
};

const QStringList editor{QStringLiteral("l3afpad"), QStringLiteral("L3afpad")};
const QStringList terminal{QStringLiteral("xterm"), QStringLiteral("XTerm")};

const ChordRow chordRows[] = {
    {"copy in an editor", QKeyCombination(ctrl, Qt::Key_C), editor,
     QKeyCombination(ctrl, Qt::Key_C)},
    {"paste in an editor", QKeyCombination(ctrl, Qt::Key_V), editor,
     QKeyCombination(ctrl, Qt::Key_V)},
    {"copy in a terminal", QKeyCombination(ctrl, Qt::Key_C), terminal,
     QKeyCombination(ctrlShift, Qt::Key_C)},
    {"paste in a terminal", QKeyCombination(ctrl, Qt::Key_V), terminal,
     QKeyCombination(ctrlShift, Qt::Key_V)},
    {"another Ctrl key in a terminal", QKeyCombination(ctrl, Qt::Key_A), terminal,
     QKeyCombination(ctrl, Qt::Key_A)},
    {"Ctrl+Alt+V in a terminal", QKeyCombination(ctrl | Qt::AltModifier, Qt::Key_V), terminal,
     QKeyCombination(ctrl | Qt::AltModifier, Qt::Key_V)},
    {"no window", QKeyCombination(ctrl, Qt::Key_V), QStringList{},
     QKeyCombination(ctrl, Qt::Key_V)},
};

} // namespace

// The shortcut and the synthetic chords in Qt's terms, spelt as each desktop service wants them.
class KeyTranslationTest : public QObject
{
    Q_OBJECT

private slots:
    void lettersBecomeTheirLowerCaseKeysyms_data()
    {
        QTest::addColumn<int>("row");
        for (int i = 0; i < int(std::size(keysymRows)); ++i)
            QTest::newRow(keysymRows[i].name) << i;
    }
    void lettersBecomeTheirLowerCaseKeysyms()
    {
        QFETCH(int, row);
        const KeysymRow& r = keysymRows[row];
        QCOMPARE(Keysyms::forKey(r.key), r.keysym);
        if (r.keysym)
            QCOMPARE(Keysyms::keyFor(*r.keysym), r.key);
    }

    void keysymsOfEitherCaseAreTheLettersKey()
    {
        QCOMPARE(Keysyms::keyFor('q'), Qt::Key_Q);
        QCOMPARE(Keysyms::keyFor('Q'), Qt::Key_Q);
        // Digits, Latin-1 letters and modifiers are no shortcut letters.
        for (const std::uint32_t keysym :
             {std::uint32_t('7'), std::uint32_t(0xe9), Keysyms::superL, Keysyms::shiftL,
              std::uint32_t('@'), std::uint32_t('['), std::uint32_t('`'), std::uint32_t('{')})
            QVERIFY2(Keysyms::keyFor(keysym) == Qt::Key_unknown,
                     qPrintable(QString::number(keysym, 16)));
    }

    void modifiersGoDownCtrlFirst()
    {
        QCOMPARE(Keysyms::forModifiers(ctrl), (QList<std::uint32_t>{Keysyms::controlL}));
        QCOMPARE(Keysyms::forModifiers(ctrlShift),
                 (QList<std::uint32_t>{Keysyms::controlL, Keysyms::shiftL}));
        QCOMPARE(Keysyms::forModifiers(Qt::AltModifier | superShift),
                 (QList<std::uint32_t>{Keysyms::shiftL, Keysyms::altL, Keysyms::superL}));
        // Where a key sits on the keyboard is no key to press.
        QVERIFY(Keysyms::forModifiers(Qt::KeypadModifier).isEmpty());
    }

    void theShortcutIsSpeltTheWayThePortalTakesIt_data()
    {
        QTest::addColumn<int>("row");
        for (int i = 0; i < int(std::size(triggerRows)); ++i)
            QTest::newRow(triggerRows[i].name) << i;
    }
    void theShortcutIsSpeltTheWayThePortalTakesIt()
    {
        QFETCH(int, row);
        const TriggerRow& r = triggerRows[row];
        QCOMPARE(PortalKeyTap::preferredTrigger(r.shortcut), QString::fromLatin1(r.trigger));
        QCOMPARE(PortalKeyTap::shortcutID(r.shortcut), QString::fromLatin1(r.id));
    }

    void terminalsGetShiftWithCopyAndPaste_data()
    {
        QTest::addColumn<int>("row");
        for (int i = 0; i < int(std::size(chordRows)); ++i)
            QTest::newRow(chordRows[i].name) << i;
    }
    void terminalsGetShiftWithCopyAndPaste()
    {
        QFETCH(int, row);
        const ChordRow& r = chordRows[row];
        QCOMPARE(X11SyntheticKeys::chordFor(r.asked, r.windowClass), r.sent);
    }
};

VELTO_REGISTER_TEST(KeyTranslationTest);
#include "KeyTranslationTest.moc"
