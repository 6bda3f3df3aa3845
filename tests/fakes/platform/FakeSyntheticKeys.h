#pragma once

#include "fakes/platform/FakeEventLog.h"
#include "platform/SyntheticKeys.h"

#include <QList>
#include <functional>

namespace velto::fakes {

struct PostedKey
{
    std::uint16_t keyCode = 0;
    std::uint64_t flags = 0;
    bool keyDown = false;
    bool operator==(const PostedKey&) const = default;
};

// Records every posted key; onPost lets a test play the target application (copy on Cmd+C).
class FakeSyntheticKeys : public SyntheticKeys
{
public:
    explicit FakeSyntheticKeys(FakeEventLog* log = nullptr) : m_log(log) {}

    bool available = true;
    bool postable = true;
    QList<PostedKey> posted;
    std::function<void(const PostedKey&)> onPost;

    bool isAvailable() override { return available; }
    bool canPost(std::uint16_t) override { return postable; }
    void post(std::uint16_t keyCode, std::uint64_t flags, bool keyDown) override
    {
        const PostedKey key{keyCode, flags, keyDown};
        posted.append(key);
        if (m_log)
            m_log->add(QStringLiteral("key %1 %2 flags=%3")
                           .arg(keyDown ? QStringLiteral("down") : QStringLiteral("up"))
                           .arg(keyCode)
                           .arg(flags, 0, 16));
        if (onPost)
            onPost(key);
    }

private:
    FakeEventLog* m_log;
};

} // namespace velto::fakes
