#pragma once

#include "model/AppRuntimeMode.h"

#include <QString>
#include <QUrl>
#include <QVariantMap>
#include <optional>

namespace velto {

// The four settings fixed when Velto is built, validated once at launch.
struct AppBuildConfig
{
    AppRuntimeMode runtimeMode = AppRuntimeMode::release;
    QUrl apiBaseURL;
    QString supabaseURL;
    QString supabaseAnonKey;
    QString authProvider;

    static inline const QString apiBaseURLKey = QStringLiteral("API_BASE_URL");
    static inline const QString supabaseURLKey = QStringLiteral("SUPABASE_URL");
    static inline const QString supabaseAnonKeyKey = QStringLiteral("SUPABASE_ANON_KEY");
    static inline const QString authProviderKey = QStringLiteral("AUTH_PROVIDER");
    static inline const QString versionKey = QStringLiteral("CFBundleShortVersionString");

    // The table generated at configure time from the VELTO_* CMake cache variables.
    static QVariantMap buildTimeTable();

    // Validates a table (the build-time one by default); throws AppBuildConfigError's errors.
    static AppBuildConfig load(AppRuntimeMode runtimeMode = currentRuntimeMode());
    static AppBuildConfig load(const std::optional<QVariantMap>& table,
                               AppRuntimeMode runtimeMode = currentRuntimeMode());

    bool operator==(const AppBuildConfig&) const = default;

private:
    static std::optional<QString> trimmedInfoValue(const QString& key, const QVariantMap& table);
};

} // namespace velto
