#pragma once

#include "fakes/platform/FakeEventLog.h"
#include "platform/SyntheticKeys.h"

#include <QList>
#include <QStringList>
#include <functional>

namespace velto::fakes {

struct PostedKey
{
    QKeyCombination chord;
    bool keyDown = false;
    bool operator==(const PostedKey&) const = default;
};

// Records every posted key; onPost lets a test play the target application (copy on Ctrl+C).
class FakeSyntheticKeys : public SyntheticKeys
{
public:
    explicit FakeSyntheticKeys(FakeEventLog* log = nullptr) : m_log(log) {}

    bool available = true;
    bool postable = true;
    QList<PostedKey> posted;
    std::function<void(const PostedKey&)> onPost;

    bool isAvailable() override { return available; }
    bool canPost(QKeyCombination) override { return postable; }
    void post(QKeyCombination chord, bool keyDown) override
    {
        const PostedKey key{chord, keyDown};
        posted.append(key);
        if (m_log)
            m_log->add(
                QStringLiteral("key %1 %2")
                    .arg(keyDown ? QStringLiteral("down") : QStringLiteral("up"), spelt(chord)));
        if (onPost)
            onPost(key);
    }

    // "Ctrl+V", the way the event log shows a chord.
    static QString spelt(QKeyCombination chord)
    {
        QStringList parts;
        const Qt::KeyboardModifiers modifiers = chord.keyboardModifiers();
        if (modifiers & Qt::ControlModifier)
            parts << QStringLiteral("Ctrl");
        if (modifiers & Qt::ShiftModifier)
            parts << QStringLiteral("Shift");
        if (modifiers & Qt::AltModifier)
            parts << QStringLiteral("Alt");
        if (modifiers & Qt::MetaModifier)
            parts << QStringLiteral("Super");
        const Qt::Key key = chord.key();
        parts << (key >= Qt::Key_A && key <= Qt::Key_Z ? QString(QChar(char16_t(key)))
                                                       : QString::number(int(key), 16));
        return parts.join(u'+');
    }

private:
    FakeEventLog* m_log;
};

} // namespace velto::fakes
