#include "net/JsonFields.h"

#include "net/DecodingError.h"

#include <cmath>
#include <limits>

namespace velto {

using nlohmann::json;

std::optional<json> JsonFields::parse(const QByteArray& bytes)
{
    json document = json::parse(bytes.cbegin(), bytes.cend(), nullptr, false);
    if (document.is_discarded())
        return std::nullopt;
    return document;
}

json JsonFields::parseObject(const QByteArray& bytes)
{
    std::optional<json> document = parse(bytes);
    if (!document)
        throw DecodingError::notJSON();
    if (!document->is_object())
        throw DecodingError::typeMismatch();
    return std::move(*document);
}

namespace {

const json* member(const json& object, const char* key)
{
    if (!object.is_object())
        return nullptr;
    const auto it = object.find(key);
    return it == object.end() ? nullptr : &*it;
}

} // namespace

QString JsonFields::requiredString(const json& object, const char* key)
{
    const json* value = member(object, key);
    if (!value || value->is_null())
        throw DecodingError::keyNotFound();
    if (!value->is_string())
        throw DecodingError::typeMismatch();
    return toQString(value->get_ref<const std::string&>());
}

qint64 JsonFields::requiredInteger(const json& object, const char* key)
{
    const json* value = member(object, key);
    if (!value || value->is_null())
        throw DecodingError::keyNotFound();
    if (value->is_number_unsigned()) {
        const auto number = value->get<std::uint64_t>();
        if (number > std::uint64_t(std::numeric_limits<qint64>::max()))
            throw DecodingError::typeMismatch();
        return qint64(number);
    }
    if (!value->is_number_integer())
        throw DecodingError::typeMismatch();
    return value->get<std::int64_t>();
}

const json& JsonFields::requiredObject(const json& object, const char* key)
{
    const json* value = member(object, key);
    if (!value || value->is_null())
        throw DecodingError::keyNotFound();
    if (!value->is_object())
        throw DecodingError::typeMismatch();
    return *value;
}

std::optional<QString> JsonFields::optionalString(const json& object, const char* key)
{
    const json* value = member(object, key);
    if (!value || value->is_null())
        return std::nullopt;
    if (!value->is_string())
        throw DecodingError::typeMismatch();
    return toQString(value->get_ref<const std::string&>());
}

const json* JsonFields::optionalObject(const json& object, const char* key)
{
    const json* value = member(object, key);
    if (!value || value->is_null())
        return nullptr;
    if (!value->is_object())
        throw DecodingError::typeMismatch();
    return value;
}

std::optional<QString> JsonFields::stringIfPresent(const json& object, const char* key)
{
    const json* value = member(object, key);
    if (!value || !value->is_string())
        return std::nullopt;
    return toQString(value->get_ref<const std::string&>());
}

std::optional<double> JsonFields::numberIfPresent(const json& object, const char* key)
{
    const json* value = member(object, key);
    if (!value || !value->is_number())
        return std::nullopt;
    const double number = value->get<double>();
    if (!std::isfinite(number))
        return std::nullopt;
    return number;
}

std::optional<bool> JsonFields::booleanIfPresent(const json& object, const char* key)
{
    const json* value = member(object, key);
    if (!value || !value->is_boolean())
        return std::nullopt;
    return value->get<bool>();
}

QString JsonFields::toQString(const std::string& utf8)
{
    return QString::fromUtf8(utf8.data(), qsizetype(utf8.size()));
}

std::string JsonFields::toStdString(const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    return std::string(utf8.constData(), std::size_t(utf8.size()));
}

} // namespace velto
