#pragma once

#include <QMetaType>
#include <QObject>
#include <QString>

namespace velto {

// The one-value summary the status item and the panels show.
class UIStatus
{
    Q_GADGET
    Q_PROPERTY(Kind kind READ kind CONSTANT)
    Q_PROPERTY(QString message READ message CONSTANT)

public:
    enum class Kind
    {
        ready,
        signInRequired,
        permissionRequired,
        rewriting,
        error
    };
    Q_ENUM(Kind)

    UIStatus() = default;
    static UIStatus ready() { return UIStatus(Kind::ready, {}); }
    static UIStatus signInRequired() { return UIStatus(Kind::signInRequired, {}); }
    static UIStatus permissionRequired() { return UIStatus(Kind::permissionRequired, {}); }
    static UIStatus rewriting() { return UIStatus(Kind::rewriting, {}); }
    static UIStatus error(QString message) { return UIStatus(Kind::error, std::move(message)); }

    Kind kind() const { return m_kind; }
    // The error text; empty for the other states.
    QString message() const { return m_message; }

    bool operator==(const UIStatus&) const = default;

private:
    UIStatus(Kind kind, QString message) : m_kind(kind), m_message(std::move(message)) {}
    Kind m_kind = Kind::ready;
    QString m_message;
};

} // namespace velto

Q_DECLARE_METATYPE(velto::UIStatus)
