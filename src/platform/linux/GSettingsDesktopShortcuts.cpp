#include "platform/linux/GSettingsDesktopShortcuts.h"

#include "model/ClientLogger.h"
#include "model/ShortcutKeys.h"
#include "platform/DesktopShortcutsError.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QRegularExpression>

#include <vector>

// GIO's headers use `signals` as a name; Qt defines it as a keyword.
#pragma push_macro("signals")
#undef signals
#include <gio/gio.h>
#pragma pop_macro("signals")

#include <memory>

namespace velto {

namespace {

const char* const mediaKeysSchema = "org.gnome.settings-daemon.plugins.media-keys";
const char* const customBindingSchema =
    "org.gnome.settings-daemon.plugins.media-keys.custom-keybinding";
const char* const customListKey = "custom-keybindings";

// Where GNOME and Cinnamon keep the shortcuts they handle themselves.
const char* const gnomeBindingSchemas[] = {
    "org.gnome.settings-daemon.plugins.media-keys", "org.gnome.desktop.wm.keybindings",
    "org.gnome.shell.keybindings", "org.gnome.mutter.keybindings",
    "org.gnome.mutter.wayland.keybindings"};
const char* const cinnamonBindingSchemas[] = {"org.cinnamon.desktop.keybindings.wm",
                                              "org.cinnamon.desktop.keybindings.media-keys"};

struct GObjectDeleter
{
    void operator()(gpointer object) const { g_object_unref(object); }
};
using Settings = std::unique_ptr<GSettings, GObjectDeleter>;

struct SchemaDeleter
{
    void operator()(GSettingsSchema* schema) const { g_settings_schema_unref(schema); }
};
using Schema = std::unique_ptr<GSettingsSchema, SchemaDeleter>;

// The installed schema, or none: GSettings aborts the process on an unknown schema.
Schema lookup(const char* id)
{
    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    if (!source)
        return nullptr;
    return Schema(g_settings_schema_source_lookup(source, id, TRUE));
}

Settings openSettings(const char* id, const QString& path = {})
{
    const Schema schema = lookup(id);
    if (!schema)
        return nullptr;
    const QByteArray relocated = path.toUtf8();
    return Settings(g_settings_new_full(schema.get(), nullptr,
                                        path.isEmpty() ? nullptr : relocated.constData()));
}

QStringList stringsOf(GVariant* value)
{
    QStringList list;
    if (g_variant_is_of_type(value, G_VARIANT_TYPE_STRING)) {
        list << QString::fromUtf8(g_variant_get_string(value, nullptr));
    } else if (g_variant_is_of_type(value, G_VARIANT_TYPE_STRING_ARRAY)) {
        gsize count = 0;
        const gchar** strings = g_variant_get_strv(value, &count);
        for (gsize i = 0; i < count; ++i)
            list << QString::fromUtf8(strings[i]);
        g_free(strings);
    }
    return list;
}

// Every string and string-list key of the schema.
QStringList allBindings(const char* id)
{
    const Schema schema = lookup(id);
    const Settings settings = openSettings(id);
    if (!schema || !settings)
        return {};
    QStringList bindings;
    gchar** keys = g_settings_schema_list_keys(schema.get());
    for (gchar** key = keys; key && *key; ++key) {
        GVariant* value = g_settings_get_value(settings.get(), *key);
        bindings << stringsOf(value);
        g_variant_unref(value);
    }
    g_strfreev(keys);
    return bindings;
}

QStringList customPaths(GSettings* mediaKeys)
{
    GVariant* value = g_settings_get_value(mediaKeys, customListKey);
    const QStringList paths = stringsOf(value);
    g_variant_unref(value);
    return paths;
}

bool setPaths(GSettings* mediaKeys, const QStringList& paths)
{
    QList<QByteArray> utf8;
    for (const QString& path : paths)
        utf8 << path.toUtf8();
    std::vector<const gchar*> strings;
    for (const QByteArray& path : utf8)
        strings.push_back(path.constData());
    strings.push_back(nullptr);
    return g_settings_set_strv(mediaKeys, customListKey, strings.data());
}

QString stringKey(GSettings* settings, const char* key)
{
    gchar* value = g_settings_get_string(settings, key);
    const QString text = QString::fromUtf8(value);
    g_free(value);
    return text;
}

// `velto --trigger`, under any path: the program is called velto and its one argument is
// --trigger. Parsed as GNOME parses the command, so quoted paths count too.
bool runsTrigger(const QString& command)
{
    gchar** argv = nullptr;
    gint argc = 0;
    if (!g_shell_parse_argv(command.toUtf8().constData(), &argc, &argv, nullptr))
        return false;
    const bool matches = argc == 2 && QByteArray(argv[1]) == "--trigger" &&
                         QFileInfo(QString::fromUtf8(argv[0])).fileName() == u"velto";
    g_strfreev(argv);
    return matches;
}

} // namespace

GSettingsDesktopShortcuts::GSettingsDesktopShortcuts(const QString& currentDesktop,
                                                     QString executable)
    : m_executable(std::move(executable))
{
    for (const QString& name : currentDesktop.split(u':', Qt::SkipEmptyParts)) {
        const QString desktop = name.trimmed().toLower();
        if (desktop == u"gnome" || desktop == u"gnome-classic" || desktop == u"gnome-flashback")
            m_gnome = true;
        if (desktop == u"x-cinnamon" || desktop == u"cinnamon")
            m_cinnamon = true;
    }
}

std::optional<QKeyCombination>
GSettingsDesktopShortcuts::parseAccelerator(const QString& accelerator)
{
    static const QRegularExpression form(QStringLiteral("^((?:<[A-Za-z0-9_]+>)*)([A-Za-z])$"));
    const QRegularExpressionMatch match = form.match(accelerator.trimmed());
    if (!match.hasMatch())
        return std::nullopt;
    bool super = false;
    bool shift = false;
    static const QRegularExpression modifier(QStringLiteral("<([A-Za-z0-9_]+)>"));
    for (auto it = modifier.globalMatch(match.captured(1)); it.hasNext();) {
        const QString name = it.next().captured(1).toLower();
        if (name == u"super" || name == u"mod4")
            super = true;
        else if (name == u"shift")
            shift = true;
        else
            return std::nullopt;
    }
    if (!super)
        return std::nullopt;
    return ShortcutKeys::combination(match.captured(2).toLower(), shift);
}

std::optional<QString> GSettingsDesktopShortcuts::accelerator(QKeyCombination combination)
{
    const std::optional<ParsedShortcut> letter = ShortcutKeys::parsedShortcut(combination);
    if (!letter)
        return std::nullopt;
    return (letter->requiresShift ? QStringLiteral("<Super><Shift>") : QStringLiteral("<Super>")) +
           letter->keyID;
}

QString GSettingsDesktopShortcuts::customShortcutName()
{
    //: the name of Velto's entry in GNOME Settings, Keyboard, Custom Shortcuts
    return QCoreApplication::translate("GSettingsDesktopShortcuts", "Velto: rewrite selection");
}

QString GSettingsDesktopShortcuts::command() const
{
    gchar* quoted = g_shell_quote(m_executable.toUtf8().constData());
    QString program = QString::fromUtf8(quoted);
    g_free(quoted);
    // A plain path needs no quotes; they would only make the command harder to read.
    if (program == u'\'' + m_executable + u'\'' &&
        !m_executable.contains(QRegularExpression(QStringLiteral("[\\s'\"\\\\$`]"))))
        program = m_executable;
    return program + QStringLiteral(" --trigger");
}

QList<QKeyCombination> GSettingsDesktopShortcuts::reservedShortcuts()
{
    QStringList accelerators;
    if (m_gnome) {
        for (const char* id : gnomeBindingSchemas)
            accelerators << allBindings(id);
        if (const Settings mediaKeys = openSettings(mediaKeysSchema)) {
            for (const QString& path : customPaths(mediaKeys.get())) {
                if (path == customShortcutPath)
                    continue;
                if (const Settings custom = openSettings(customBindingSchema, path))
                    accelerators << stringKey(custom.get(), "binding");
            }
        }
    }
    if (m_cinnamon) {
        for (const char* id : cinnamonBindingSchemas)
            accelerators << allBindings(id);
    }
    QList<QKeyCombination> reserved;
    for (const QString& accelerator : std::as_const(accelerators)) {
        const std::optional<QKeyCombination> parsed = parseAccelerator(accelerator);
        if (parsed && !reserved.contains(*parsed))
            reserved << *parsed;
    }
    return reserved;
}

bool GSettingsDesktopShortcuts::supportsCustomShortcut()
{
    return m_gnome && lookup(mediaKeysSchema) && lookup(customBindingSchema);
}

std::optional<TriggerShortcut> GSettingsDesktopShortcuts::triggerShortcut()
{
    if (!supportsCustomShortcut())
        return std::nullopt;
    const Settings mediaKeys = openSettings(mediaKeysSchema);
    std::optional<TriggerShortcut> found;
    for (const QString& path : customPaths(mediaKeys.get())) {
        const Settings custom = openSettings(customBindingSchema, path);
        if (!custom || !runsTrigger(stringKey(custom.get(), "command")))
            continue;
        const TriggerShortcut shortcut{parseAccelerator(stringKey(custom.get(), "binding")),
                                       path == customShortcutPath};
        if (shortcut.ownedByVelto)
            return shortcut;
        if (!found)
            found = shortcut;
    }
    return found;
}

void GSettingsDesktopShortcuts::setCustomShortcut(QKeyCombination combination)
{
    if (!supportsCustomShortcut())
        throw DesktopShortcutsError::unsupported();
    const std::optional<QString> keys = accelerator(combination);
    if (!keys)
        throw DesktopShortcutsError::unsupportedKeys();
    const Settings mediaKeys = openSettings(mediaKeysSchema);
    const Settings custom = openSettings(customBindingSchema, customShortcutPath);
    const QByteArray name = customShortcutName().toUtf8();
    const QByteArray commandLine = command().toUtf8();
    const QByteArray binding = keys->toUtf8();
    bool written = g_settings_set_string(custom.get(), "name", name.constData()) &&
                   g_settings_set_string(custom.get(), "command", commandLine.constData()) &&
                   g_settings_set_string(custom.get(), "binding", binding.constData());
    QStringList paths = customPaths(mediaKeys.get());
    if (written && !paths.contains(customShortcutPath)) {
        paths << customShortcutPath;
        written = setPaths(mediaKeys.get(), paths);
    }
    g_settings_sync();
    if (!written)
        throw DesktopShortcutsError::refused();
    ClientLogger::info(u"GNOME custom shortcut set: ", QString::fromUtf8(binding));
}

void GSettingsDesktopShortcuts::removeCustomShortcut()
{
    if (!supportsCustomShortcut())
        throw DesktopShortcutsError::unsupported();
    const Settings mediaKeys = openSettings(mediaKeysSchema);
    QStringList paths = customPaths(mediaKeys.get());
    if (paths.removeAll(customShortcutPath) > 0 && !setPaths(mediaKeys.get(), paths)) {
        g_settings_sync();
        throw DesktopShortcutsError::refused();
    }
    const Settings custom = openSettings(customBindingSchema, customShortcutPath);
    for (const char* key : {"name", "command", "binding"})
        g_settings_reset(custom.get(), key);
    g_settings_sync();
    ClientLogger::info(u"GNOME custom shortcut removed");
}

} // namespace velto
