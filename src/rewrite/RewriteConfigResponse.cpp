#include "rewrite/RewriteConfigResponse.h"

#include "net/DecodingError.h"
#include "net/JsonFields.h"

namespace velto {

namespace {

QList<Option> decodeOptions(const nlohmann::json& root, const char* key)
{
    const auto it = root.find(key);
    if (it == root.end())
        throw DecodingError::keyNotFound();
    if (!it->is_array())
        throw DecodingError::typeMismatch();
    QList<Option> options;
    options.reserve(qsizetype(it->size()));
    for (const nlohmann::json& item : *it) {
        if (!item.is_object())
            throw DecodingError::typeMismatch();
        options.append(Option{JsonFields::requiredString(item, "id"),
                              JsonFields::requiredString(item, "title")});
    }
    return options;
}

} // namespace

RewriteConfigResponse RewriteConfigResponse::decode(const QByteArray& body)
{
    const nlohmann::json root = JsonFields::parseObject(body);
    RewriteConfigResponse response;
    response.tones = decodeOptions(root, "tones");
    response.languages = decodeOptions(root, "languages");
    const nlohmann::json& defaults = JsonFields::requiredObject(root, "defaults");
    response.defaultTone = JsonFields::requiredString(defaults, "tone");
    response.defaultLanguage = JsonFields::requiredString(defaults, "language");
    return response;
}

} // namespace velto
