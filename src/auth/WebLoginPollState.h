#pragma once

#include <QString>

namespace velto {

// The outcome of one poll: pending, ready with a non-empty exchange code, or failed with the
// backend's reason word.
class WebLoginPollState
{
public:
    enum class Kind
    {
        pending,
        ready,
        failed
    };

    static WebLoginPollState pending() { return WebLoginPollState(Kind::pending, {}); }
    static WebLoginPollState ready(QString exchangeCode)
    {
        return WebLoginPollState(Kind::ready, std::move(exchangeCode));
    }
    static WebLoginPollState failed(QString reason)
    {
        return WebLoginPollState(Kind::failed, std::move(reason));
    }

    Kind kind() const { return m_kind; }
    // The exchange code when ready, empty otherwise.
    QString exchangeCode() const { return m_kind == Kind::ready ? m_payload : QString(); }
    // The reason word when failed, empty otherwise.
    QString reason() const { return m_kind == Kind::failed ? m_payload : QString(); }

    bool operator==(const WebLoginPollState&) const = default;

private:
    WebLoginPollState(Kind kind, QString payload) : m_kind(kind), m_payload(std::move(payload)) {}

    Kind m_kind;
    QString m_payload;
};

} // namespace velto
