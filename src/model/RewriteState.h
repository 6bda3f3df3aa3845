#pragma once

#include <QMetaType>
#include <QObject>
#include <QString>

namespace velto {

// The state of the current rewrite: idle, running, succeeded, or failed with a message.
class RewriteState
{
    Q_GADGET
    Q_PROPERTY(Kind kind READ kind CONSTANT)
    Q_PROPERTY(QString message READ message CONSTANT)

public:
    enum class Kind
    {
        idle,
        running,
        succeeded,
        failed
    };
    Q_ENUM(Kind)

    RewriteState() = default;
    static RewriteState idle() { return RewriteState(Kind::idle, {}); }
    static RewriteState running() { return RewriteState(Kind::running, {}); }
    static RewriteState succeeded() { return RewriteState(Kind::succeeded, {}); }
    static RewriteState failed(QString message)
    {
        return RewriteState(Kind::failed, std::move(message));
    }

    Kind kind() const { return m_kind; }
    // The failure message; empty for the other states.
    QString message() const { return m_message; }

    bool operator==(const RewriteState&) const = default;

private:
    RewriteState(Kind kind, QString message) : m_kind(kind), m_message(std::move(message)) {}
    Kind m_kind = Kind::idle;
    QString m_message;
};

} // namespace velto

Q_DECLARE_METATYPE(velto::RewriteState)
