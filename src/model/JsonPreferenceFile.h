#pragma once

#include "model/PreferenceStore.h"

#include <QString>
#include <nlohmann/json.hpp>

namespace velto {

// Preferences as one JSON object in a file of their own. Every change rewrites the file
// atomically (temporary file, fsync, rename), readable by the user only. A file that cannot be
// read or parsed is moved aside as "<name>.corrupt-<time>" and the table starts empty.
// Read only, the file is never written nor moved: changes stay in memory (velto-cli, whose
// options apply to one run and whose status changes no file).
class JsonPreferenceFile : public PreferenceStore
{
public:
    enum class Access
    {
        readWrite,
        readOnly
    };

    explicit JsonPreferenceFile(QString path, Access access = Access::readWrite);

    // $XDG_CONFIG_HOME/velto/preferences.json
    static QString defaultPath();

    std::optional<QVariant> object(const QString& key) const override;
    void setObject(const QString& key, const QVariant& value) override;
    void removeObject(const QString& key) override;

    const QString& path() const { return m_path; }
    // Where a corrupt file was moved at load, if one was.
    const QString& movedAsidePath() const { return m_movedAsidePath; }

    // Files larger than this are not preferences; they are moved aside unread.
    static constexpr qint64 maxFileSize = 1 << 20;
    static constexpr int maxNestingDepth = 64;

private:
    void load();
    void moveAside(const QString& reason);
    void save();

    QString m_path;
    Access m_access;
    QString m_movedAsidePath;
    nlohmann::json m_root = nlohmann::json::object();
};

} // namespace velto
