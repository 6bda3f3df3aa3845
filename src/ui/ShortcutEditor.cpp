#include "ui/ShortcutEditor.h"

#include "model/AppModel.h"
#include "model/ShortcutKeys.h"

namespace velto {

ShortcutEditor::ShortcutEditor(AppModel& model, std::function<void()> changedHandler,
                               QObject* parent)
    : QObject(parent), m_model(model), m_changedHandler(std::move(changedHandler)),
      m_input(model.shortcutDisplay()), m_keyID(model.shortcutKeyID()),
      m_shift(model.shortcutRequiresShift())
{
    connect(&model, &AppModel::shortcutKeyIDChanged, this, &ShortcutEditor::modelKeyChanged);
    connect(&model, &AppModel::shortcutRequiresShiftChanged, this,
            &ShortcutEditor::modelShiftChanged);
    connect(&model, &AppModel::capabilitiesChanged, this, &ShortcutEditor::takenChanged);
    connect(&model, &AppModel::shortcutDisplayChanged, this, &ShortcutEditor::takenChanged);
}

bool ShortcutEditor::taken() const
{
    return m_model.shortcutTaken();
}

QString ShortcutEditor::takenLine() const
{
    return taken() ? tr("%1 is taken by another program or by the desktop.")
                         .arg(m_model.shortcutDisplay())
                   : QString();
}

QString ShortcutEditor::freeButtonTitle() const
{
    const std::optional<ParsedShortcut> free = m_model.freeShortcut();
    return taken() && free ? tr("Use %1").arg(ShortcutKeys::display(*free)) : QString();
}

void ShortcutEditor::useFreeShortcut()
{
    if (!taken())
        return;
    if (const std::optional<ParsedShortcut> free = m_model.freeShortcut())
        m_model.chooseShortcut(free->keyID, free->requiresShift);
}

bool ShortcutEditor::shiftActive() const
{
    return m_model.shortcutRequiresShift();
}

QString ShortcutEditor::keyTitle() const
{
    const int index = keyIndex();
    return index >= 0 ? AppModel::availableShortcutKeys().at(index).title : QString();
}

int ShortcutEditor::keyIndex() const
{
    const QList<ShortcutKeyOption>& keys = AppModel::availableShortcutKeys();
    for (int i = 0; i < keys.size(); ++i) {
        if (keys.at(i).id == m_model.shortcutKeyID())
            return i;
    }
    return -1;
}

QStringList ShortcutEditor::keyTitles() const
{
    QStringList titles;
    for (const ShortcutKeyOption& key : AppModel::availableShortcutKeys())
        titles << key.title;
    return titles;
}

QString ShortcutEditor::placeholder() const
{
    //: placeholder of the shortcut field; keep the key names as the keyboard shows them
    return tr("Super+L or Super+Shift+L");
}

QString ShortcutEditor::hint() const
{
    return tr("Use format like Super+L or Super+Shift+L.");
}

void ShortcutEditor::reset()
{
    setInput(m_model.shortcutDisplay());
    setInvalid(false);
}

void ShortcutEditor::edit(const QString& text)
{
    m_input = text;
    // An empty field keeps the shortcut in force and the hint as it was.
    if (text.isEmpty())
        return;
    QStringList ids;
    for (const ShortcutKeyOption& key : AppModel::availableShortcutKeys())
        ids << key.id;
    const std::optional<ParsedShortcut> parsed = ShortcutKeys::parseShortcutInput(text, ids);
    if (!parsed) {
        setInvalid(true);
        return;
    }
    m_model.chooseShortcut(parsed->keyID, parsed->requiresShift);
    setInvalid(false);
}

void ShortcutEditor::toggleShift()
{
    m_model.chooseShortcut(m_model.shortcutKeyID(), !m_model.shortcutRequiresShift());
}

void ShortcutEditor::chooseKey(int index)
{
    const QList<ShortcutKeyOption>& keys = AppModel::availableShortcutKeys();
    if (index < 0 || index >= keys.size() || keys.at(index).id == m_model.shortcutKeyID())
        return;
    m_model.chooseShortcut(keys.at(index).id, m_model.shortcutRequiresShift());
}

void ShortcutEditor::modelKeyChanged()
{
    if (m_model.shortcutKeyID() == m_keyID)
        return;
    m_keyID = m_model.shortcutKeyID();
    setInput(m_model.shortcutDisplay());
    emit shortcutChanged();
    if (m_changedHandler)
        m_changedHandler();
}

void ShortcutEditor::modelShiftChanged()
{
    if (m_model.shortcutRequiresShift() == m_shift)
        return;
    m_shift = m_model.shortcutRequiresShift();
    setInput(m_model.shortcutDisplay());
    emit shortcutChanged();
    if (m_changedHandler)
        m_changedHandler();
}

void ShortcutEditor::setInput(const QString& text)
{
    // Always told: the field may hold typed text that equals neither value.
    m_input = text;
    emit inputChanged();
}

void ShortcutEditor::setInvalid(bool invalid)
{
    if (m_invalid == invalid)
        return;
    m_invalid = invalid;
    emit invalidChanged();
}

} // namespace velto
