#pragma once

#include <QByteArray>
#include <QString>
#include <exception>

namespace velto {

// The one error value every operation throws: a domain, a code within it, and a sentence for the
// user. Subsystems add small factories (AppBuildConfigError::missingKey, ...) that fix the domain
// and code, so callers compare errors with is() instead of by text.
class AppError : public std::exception
{
public:
    AppError(QString domain, int code, QString description);

    const QString& domain() const { return m_domain; }
    int code() const { return m_code; }
    const QString& description() const { return m_description; }
    const char* what() const noexcept override { return m_what.constData(); }

    bool is(const QString& domain, int code) const { return m_domain == domain && m_code == code; }
    bool is(const AppError& other) const { return is(other.m_domain, other.m_code); }

private:
    QString m_domain;
    int m_code;
    QString m_description;
    QByteArray m_what;
};

} // namespace velto
