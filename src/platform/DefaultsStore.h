#pragma once

#include <QString>
#include <QVariant>

// The per-user key-value store the settings persist in.
class DefaultsStore {
public:
    virtual ~DefaultsStore() = default;

    virtual bool contains(const QString &key) const = 0;
    // An invalid QVariant when the key is absent.
    virtual QVariant value(const QString &key) const = 0;
    virtual void setValue(const QString &key, const QVariant &value) = 0;
};
