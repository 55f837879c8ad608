#pragma once

#include "platform/DefaultsStore.h"

#include <QSettings>

// The settings in an INI file, $XDG_CONFIG_HOME/Tallowquill/Tallowquill.conf (~/.config when
// XDG_CONFIG_HOME is unset, empty or relative). Every write is flushed to disk at once.
class QSettingsDefaultsStore : public DefaultsStore {
public:
    QSettingsDefaultsStore();
    // A store over the given file, for tests.
    explicit QSettingsDefaultsStore(const QString &filePath);

    // Where the default store keeps its file for the current environment.
    static QString defaultFilePath();

    bool contains(const QString &key) const override;
    QVariant value(const QString &key) const override;
    void setValue(const QString &key, const QVariant &value) override;

private:
    QSettings m_settings;
};
