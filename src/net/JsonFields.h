#pragma once

#include <QByteArray>
#include <QString>
#include <nlohmann/json.hpp>
#include <optional>

namespace velto {

// Exact-typed reads of untrusted JSON for the wire records: an integer member must be a JSON
// integer (not 3600.0, not "3600"), a string a JSON string. Strict reads throw DecodingError;
// the lenient ones (for tolerant decoding and error bodies) treat a wrong type as absent.
class JsonFields
{
public:
    // The document, or nothing when the bytes are not JSON (invalid UTF-8 included).
    static std::optional<nlohmann::json> parse(const QByteArray& bytes);
    // A document whose top level is an object; DecodingError otherwise.
    static nlohmann::json parseObject(const QByteArray& bytes);

    static QString requiredString(const nlohmann::json& object, const char* key);
    static qint64 requiredInteger(const nlohmann::json& object, const char* key);
    static const nlohmann::json& requiredObject(const nlohmann::json& object, const char* key);
    // Absent or null gives nothing; any other non-string throws.
    static std::optional<QString> optionalString(const nlohmann::json& object, const char* key);
    static const nlohmann::json* optionalObject(const nlohmann::json& object, const char* key);

    static std::optional<QString> stringIfPresent(const nlohmann::json& object, const char* key);
    // Integer or float, finite; booleans are not numbers.
    static std::optional<double> numberIfPresent(const nlohmann::json& object, const char* key);
    static std::optional<bool> booleanIfPresent(const nlohmann::json& object, const char* key);

    static QString toQString(const std::string& utf8);
    static std::string toStdString(const QString& text);
};

} // namespace velto
