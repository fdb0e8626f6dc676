// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/SettingsKeys.h"

#include <QSettings>
#include <QString>
#include <optional>

namespace tobrisk {

// Per-user values of one store, under "Software\Harnok Applications\<store name>". Tests redirect the
// store with QSettings::setPath before they create one.
class SettingsStore {
public:
    explicit SettingsStore(SettingsFile file);

    // The key must belong to this store.
    std::optional<QString> Value(const SettingsKey& key) const;
    void SetValue(const SettingsKey& key, const QString& value);
    // Writes what was set to the store; false when the store could not be written.
    bool Sync();

private:
    SettingsFile file_;
    QSettings settings_;
};

} // namespace tobrisk
