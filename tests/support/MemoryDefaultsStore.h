#pragma once

#include "platform/DefaultsStore.h"

#include <QHash>

// Settings held in memory only, gone with the object; for tests and benchmarks.
class MemoryDefaultsStore : public DefaultsStore {
public:
    bool contains(const QString &key) const override { return m_values.contains(key); }
    QVariant value(const QString &key) const override { return m_values.value(key); }
    void setValue(const QString &key, const QVariant &value) override { m_values[key] = value; }

private:
    QHash<QString, QVariant> m_values;
};
