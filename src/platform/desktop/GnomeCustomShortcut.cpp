#include "platform/desktop/GnomeCustomShortcut.h"

#include "platform/SystemLog.h"
#include "platform/desktop/GnomeKeyBinding.h"

#include <QByteArrayList>
#include <QStringList>

#include <vector>

#include <gio/gio.h>

namespace {

constexpr char kListSchema[] = "org.gnome.settings-daemon.plugins.media-keys";
constexpr char kEntrySchema[] = "org.gnome.settings-daemon.plugins.media-keys.custom-keybinding";
constexpr char kListKey[] = "custom-keybindings";
constexpr char kEntryName[] = "Tallowquill: Show Clipboard History";

// The installed schema with all of `keys`, or nothing.
GSettingsSchema *lookUp(const char *id, std::initializer_list<const char *> keys) {
    GSettingsSchemaSource *source = g_settings_schema_source_get_default();
    GSettingsSchema *schema = source ? g_settings_schema_source_lookup(source, id, TRUE) : nullptr;
    for (const char *key : keys) {
        if (schema && !g_settings_schema_has_key(schema, key)) {
            g_settings_schema_unref(schema);
            schema = nullptr;
        }
    }
    return schema;
}

QString readString(GSettings *settings, const char *key) {
    gchar *value = g_settings_get_string(settings, key);
    QString text = QString::fromUtf8(value);
    g_free(value);
    return text;
}

void writeString(GSettings *settings, const char *key, const QString &value) {
    if (readString(settings, key) != value)
        g_settings_set_string(settings, key, value.toUtf8().constData());
}

QStringList readList(GSettings *settings, const char *key) {
    gchar **values = g_settings_get_strv(settings, key);
    QStringList list;
    for (gchar **value = values; value && *value; ++value)
        list.append(QString::fromUtf8(*value));
    g_strfreev(values);
    return list;
}

void writeList(GSettings *settings, const char *key, const QStringList &list) {
    QByteArrayList texts;
    for (const QString &item : list)
        texts.append(item.toUtf8());
    std::vector<const char *> values;
    for (const QByteArray &text : texts)
        values.push_back(text.constData());
    values.push_back(nullptr);
    g_settings_set_strv(settings, key, values.data());
}

} // namespace

const char *const GnomeCustomShortcut::entryPath =
    "/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/tallowquill/";

void GnomeCustomShortcut::Unref::operator()(_GSettings *settings) const {
    g_object_unref(settings);
}

std::unique_ptr<GnomeCustomShortcut> GnomeCustomShortcut::create(const QString &command) {
    GSettingsSchema *list = lookUp(kListSchema, {kListKey});
    GSettingsSchema *entry = lookUp(kEntrySchema, {"name", "command", "binding"});
    std::unique_ptr<GnomeCustomShortcut> shortcut;
    if (list && entry)
        shortcut.reset(new GnomeCustomShortcut(
            Settings(g_settings_new_full(list, nullptr, nullptr)),
            Settings(g_settings_new_full(entry, nullptr, entryPath)), command));
    if (list)
        g_settings_schema_unref(list);
    if (entry)
        g_settings_schema_unref(entry);
    return shortcut;
}

GnomeCustomShortcut::GnomeCustomShortcut(Settings list, Settings entry, const QString &command)
    : m_list(std::move(list))
    , m_entry(std::move(entry))
    , m_command(command) {
    // Delivered by GLib's main context, which Qt's event loop runs.
    g_signal_connect(m_entry.get(), "changed::binding", G_CALLBACK(onBindingChanged), this);
}

GnomeCustomShortcut::~GnomeCustomShortcut() {
    g_signal_handlers_disconnect_by_data(m_entry.get(), this);
    // Written before the process ends, or a change made just before quitting is lost.
    g_settings_sync();
}

bool GnomeCustomShortcut::grab(const KeyChord &chord) {
    const QString binding = gnomeBinding(chord.key, chord.modifiers);
    writeString(m_entry.get(), "name", QString::fromLatin1(kEntryName));
    writeString(m_entry.get(), "command", m_command);
    const QString path = QString::fromLatin1(entryPath);
    QStringList entries = readList(m_list.get(), kListKey);
    const bool listed = entries.contains(path);
    const QString kept = readString(m_entry.get(), "binding");
    const bool starting = !std::exchange(m_started, true);
    if (starting && listed && !kept.isEmpty() && kept != binding) {
        // Changed in GNOME's settings while the program was not running: the user's choice.
        m_written.clear();
        QMetaObject::invokeMethod(this, &GnomeCustomShortcut::bindingChanged, Qt::QueuedConnection);
    } else {
        writeBinding(binding);
    }
    if (!listed)
        writeList(m_list.get(), kListKey, entries << path);
    return true;
}

void GnomeCustomShortcut::ungrab() {
    writeBinding(QString());
}

QString GnomeCustomShortcut::keeper() const {
    return QStringLiteral("Kept in GNOME's keyboard shortcuts");
}

void GnomeCustomShortcut::writeBinding(const QString &binding) {
    m_written = binding;
    writeString(m_entry.get(), "binding", binding);
}

void GnomeCustomShortcut::onBindingChanged(_GSettings *, const char *, void *self) {
    static_cast<GnomeCustomShortcut *>(self)->bindingChanged();
}

void GnomeCustomShortcut::bindingChanged() {
    // Read now, not taken from the notice: a notice of an earlier write may come late.
    const QString binding = readString(m_entry.get(), "binding");
    if (binding == m_written || binding.isEmpty())
        return;
    m_written = binding;
    const std::optional<KeyChord> chord = readGnomeBinding(binding);
    if (!chord) {
        SystemLog::write(QStringLiteral("Tallowquill: the shortcut \"%1\" in GNOME's keyboard "
                                        "shortcuts names keys Tallowquill cannot show")
                             .arg(binding));
        return;
    }
    if (onChangedElsewhere)
        onChangedElsewhere(*chord);
}
