#include "platform/QSettingsDefaultsStore.h"

#include "platform/LogQuote.h"
#include "platform/SystemLog.h"
#include "platform/XdgFolders.h"

#include <QDir>

QSettingsDefaultsStore::QSettingsDefaultsStore()
    : QSettingsDefaultsStore(defaultFilePath()) {}

QSettingsDefaultsStore::QSettingsDefaultsStore(const QString &filePath)
    : m_settings(filePath, QSettings::IniFormat) {
    // A missing file is a first run and reads as empty without error.
    if (m_settings.status() != QSettings::NoError)
        SystemLog::write(QStringLiteral("Tallowquill: failed to load settings: could not read %1")
                             .arg(logQuoted(m_settings.fileName())));
}

QString QSettingsDefaultsStore::defaultFilePath() {
    return XdgFolders::configHome() + QStringLiteral("/Tallowquill/Tallowquill.conf");
}

bool QSettingsDefaultsStore::contains(const QString &key) const {
    return m_settings.contains(key);
}

QVariant QSettingsDefaultsStore::value(const QString &key) const {
    return m_settings.value(key);
}

void QSettingsDefaultsStore::setValue(const QString &key, const QVariant &value) {
    // A QSettings keeps its first error for good, so each write gets its own to learn whether
    // this write landed. Both share the file's cache: the long-lived one reads the new value,
    // and a write that failed is retried with the next one.
    QSettings writer(m_settings.fileName(), QSettings::IniFormat);
    writer.setValue(key, value);
    // Settings change rarely; flushing each one means nothing waits for a clean exit.
    writer.sync();
    if (writer.status() != QSettings::NoError)
        SystemLog::write(QStringLiteral("Tallowquill: failed to save settings: could not write %1")
                             .arg(logQuoted(writer.fileName())));
}
