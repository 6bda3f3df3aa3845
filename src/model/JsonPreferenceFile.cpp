#include "model/JsonPreferenceFile.h"

#include "model/ClientLogger.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace velto {

namespace {

QVariant toVariant(const nlohmann::json& value, int depth = 0)
{
    using Type = nlohmann::json::value_t;
    switch (value.type()) {
    case Type::boolean:
        return value.get<bool>();
    case Type::number_integer:
        return QVariant::fromValue<qint64>(value.get<std::int64_t>());
    case Type::number_unsigned: {
        const auto n = value.get<std::uint64_t>();
        if (n <= static_cast<std::uint64_t>(std::numeric_limits<qint64>::max()))
            return QVariant::fromValue<qint64>(static_cast<qint64>(n));
        return static_cast<double>(n);
    }
    case Type::number_float:
        return value.get<double>();
    case Type::string:
        return QString::fromStdString(value.get<std::string>());
    case Type::array: {
        QVariantList list;
        if (depth < JsonPreferenceFile::maxNestingDepth) {
            for (const auto& item : value)
                list.append(toVariant(item, depth + 1));
        }
        return list;
    }
    case Type::object: {
        QVariantMap map;
        if (depth < JsonPreferenceFile::maxNestingDepth) {
            for (const auto& [k, item] : value.items())
                map.insert(QString::fromStdString(k), toVariant(item, depth + 1));
        }
        return map;
    }
    default:
        return QVariant::fromValue(nullptr);
    }
}

nlohmann::json toJson(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool();
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
        return static_cast<std::int64_t>(value.toLongLong());
    case QMetaType::ULongLong:
        return static_cast<std::uint64_t>(value.toULongLong());
    case QMetaType::Double:
        return value.toDouble();
    case QMetaType::QString:
        return value.toString().toStdString();
    case QMetaType::QVariantList: {
        nlohmann::json array = nlohmann::json::array();
        for (const QVariant& item : value.toList())
            array.push_back(toJson(item));
        return array;
    }
    case QMetaType::QVariantMap: {
        nlohmann::json object = nlohmann::json::object();
        const QVariantMap map = value.toMap();
        for (auto it = map.cbegin(); it != map.cend(); ++it)
            object[it.key().toStdString()] = toJson(it.value());
        return object;
    }
    default:
        return nullptr;
    }
}

// Deeply nested input would make every later walk over the tree recurse without bound.
bool nestingWithinLimit(const QByteArray& bytes, int limit)
{
    int depth = 0;
    bool inString = false;
    bool escaped = false;
    for (const char c : bytes) {
        if (inString) {
            if (escaped)
                escaped = false;
            else if (c == '\\')
                escaped = true;
            else if (c == '"')
                inString = false;
            continue;
        }
        if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            if (++depth > limit)
                return false;
        } else if (c == ']' || c == '}') {
            --depth;
        }
    }
    return true;
}

QString errnoText()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

bool writeAll(int fd, const std::string& data)
{
    size_t written = 0;
    while (written < data.size()) {
        const ssize_t n = ::write(fd, data.data() + written, data.size() - written);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        written += static_cast<size_t>(n);
    }
    return true;
}

} // namespace

JsonPreferenceFile::JsonPreferenceFile(QString path, Access access)
    : m_path(std::move(path)), m_access(access)
{
    load();
}

QString JsonPreferenceFile::defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/velto/preferences.json");
}

void JsonPreferenceFile::load()
{
    QFile file(m_path);
    if (!file.exists())
        return;
    if (QFileInfo(file).size() > maxFileSize) {
        moveAside(QStringLiteral("too large"));
        return;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        moveAside(file.errorString());
        return;
    }
    const QByteArray bytes = file.read(maxFileSize + 1);
    file.close();
    if (bytes.size() > maxFileSize) {
        moveAside(QStringLiteral("too large"));
        return;
    }
    if (!nestingWithinLimit(bytes, maxNestingDepth)) {
        moveAside(QStringLiteral("nested too deeply"));
        return;
    }
    nlohmann::json root = nlohmann::json::parse(bytes.cbegin(), bytes.cend(), nullptr, false);
    if (root.is_discarded()) {
        moveAside(QStringLiteral("not valid JSON"));
        return;
    }
    if (!root.is_object()) {
        moveAside(QStringLiteral("not a JSON object"));
        return;
    }
    m_root = std::move(root);
}

void JsonPreferenceFile::moveAside(const QString& reason)
{
    if (m_access == Access::readOnly) {
        ClientLogger::warning(u"preferences file unreadable, defaults used: ", reason);
        return;
    }
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString target = m_path + QStringLiteral(".corrupt-") + stamp;
    for (int n = 1; QFile::exists(target); ++n)
        target =
            m_path + QStringLiteral(".corrupt-") + stamp + QLatin1Char('-') + QString::number(n);
    if (QFile::rename(m_path, target)) {
        m_movedAsidePath = target;
        ClientLogger::warning(u"preferences file unreadable, moved aside: ", reason);
    } else {
        ClientLogger::warning(u"preferences file unreadable and could not be moved aside: ",
                              reason);
    }
}

std::optional<QVariant> JsonPreferenceFile::object(const QString& key) const
{
    const auto it = m_root.find(key.toStdString());
    if (it == m_root.end())
        return std::nullopt;
    return toVariant(*it);
}

void JsonPreferenceFile::setObject(const QString& key, const QVariant& value)
{
    m_root[key.toStdString()] = toJson(value);
    save();
}

void JsonPreferenceFile::removeObject(const QString& key)
{
    if (m_root.erase(key.toStdString()) > 0)
        save();
}

void JsonPreferenceFile::save()
{
    if (m_access == Access::readOnly)
        return;
    const QFileInfo info(m_path);
    const QString dir = info.absolutePath();
    if (!QDir().mkpath(dir)) {
        ClientLogger::warning(u"preferences not saved: cannot create ", dir);
        return;
    }
    const std::string text =
        m_root.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
    const QByteArray tmpPath = QFile::encodeName(m_path + QStringLiteral(".tmp-XXXXXX"));
    QByteArray tmpTemplate = tmpPath;
    // mkstemp creates the file 0600, so other users never see a readable half-written file.
    const int fd = ::mkstemp(tmpTemplate.data());
    if (fd < 0) {
        ClientLogger::warning(u"preferences not saved: ", errnoText());
        return;
    }
    const bool ok = writeAll(fd, text) && ::fsync(fd) == 0;
    const QString writeError = ok ? QString() : errnoText();
    ::close(fd);
    if (!ok) {
        ::unlink(tmpTemplate.constData());
        ClientLogger::warning(u"preferences not saved: ", writeError);
        return;
    }
    if (::rename(tmpTemplate.constData(), QFile::encodeName(m_path).constData()) != 0) {
        const QString renameError = errnoText();
        ::unlink(tmpTemplate.constData());
        ClientLogger::warning(u"preferences not saved: ", renameError);
        return;
    }
    // Make the rename itself durable.
    const int dirFd =
        ::open(QFile::encodeName(dir).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
}

} // namespace velto
