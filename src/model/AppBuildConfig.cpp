#include "model/AppBuildConfig.h"

#include "model/AppBuildConfigError.h"

namespace velto {

std::optional<QString> AppBuildConfig::trimmedInfoValue(const QString& key,
                                                        const QVariantMap& table)
{
    const auto it = table.constFind(key);
    if (it == table.cend() || it->typeId() != QMetaType::QString)
        return std::nullopt;
    QString value = it->toString().trimmed();
    if (value.isEmpty())
        return std::nullopt;
    return value;
}

AppBuildConfig AppBuildConfig::load(AppRuntimeMode runtimeMode)
{
    return load(buildTimeTable(), runtimeMode);
}

AppBuildConfig AppBuildConfig::load(const std::optional<QVariantMap>& table,
                                    AppRuntimeMode runtimeMode)
{
    const QVariantMap info = table.value_or(QVariantMap{});

    auto requiredURL = [&](const QString& key) {
        const std::optional<QString> text = trimmedInfoValue(key, info);
        if (!text)
            throw AppBuildConfigError::missingKey(key);
        const QUrl url(*text, QUrl::StrictMode);
        if (!url.isValid() || url.scheme().isEmpty() || url.host().isEmpty())
            throw AppBuildConfigError::invalidURL(key);
        return url;
    };

    const QUrl apiBaseURL = requiredURL(apiBaseURLKey);
    const QUrl supabaseURL = requiredURL(supabaseURLKey);
    const std::optional<QString> anonKey = trimmedInfoValue(supabaseAnonKeyKey, info);
    if (!anonKey)
        throw AppBuildConfigError::missingKey(supabaseAnonKeyKey);

    const QString providerWord =
        trimmedInfoValue(authProviderKey, info).value_or(QString()).trimmed().toLower();
    QString provider = QStringLiteral("google");
    if (providerWord == QLatin1String("email"))
        provider = QStringLiteral("email");
    else if (providerWord == QLatin1String("apple"))
        provider = QStringLiteral("apple");

    return AppBuildConfig{runtimeMode, apiBaseURL, supabaseURL.toString(QUrl::FullyEncoded),
                          *anonKey, provider};
}

} // namespace velto
