#pragma once

#include <QMetaType>
#include <QObject>
#include <QString>
#include <optional>

namespace velto {

// Sign-in state: signedOut, signingIn, or signedIn with an optional e-mail.
class AuthState
{
    Q_GADGET
    Q_PROPERTY(Kind kind READ kind CONSTANT)
    Q_PROPERTY(bool isSignedIn READ isSignedIn CONSTANT)
    Q_PROPERTY(QString email READ emailText CONSTANT)

public:
    enum class Kind
    {
        signedOut,
        signingIn,
        signedIn
    };
    Q_ENUM(Kind)

    AuthState() = default;
    static AuthState signedOut() { return AuthState(Kind::signedOut, std::nullopt); }
    static AuthState signingIn() { return AuthState(Kind::signingIn, std::nullopt); }
    static AuthState signedIn(std::optional<QString> email)
    {
        return AuthState(Kind::signedIn, std::move(email));
    }

    Kind kind() const { return m_kind; }
    bool isSignedIn() const { return m_kind == Kind::signedIn; }
    std::optional<QString> email() const
    {
        return m_kind == Kind::signedIn ? m_email : std::nullopt;
    }
    QString emailText() const { return email().value_or(QString()); }

    bool operator==(const AuthState&) const = default;

private:
    AuthState(Kind kind, std::optional<QString> email) : m_kind(kind), m_email(std::move(email)) {}
    Kind m_kind = Kind::signedOut;
    std::optional<QString> m_email;
};

} // namespace velto

Q_DECLARE_METATYPE(velto::AuthState)
