#include "model/AppError.h"

namespace velto {

AppError::AppError(QString domain, int code, QString description)
    : m_domain(std::move(domain)), m_code(code), m_description(std::move(description)),
      m_what(m_description.toUtf8())
{
}

} // namespace velto
