// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QSettings>
#include <QString>
#include <optional>

// Per-user values under "Software\Harnok Applications\<application>". Tests redirect the
// store with QSettings::setPath before they create one.
class CSettingsStore {
public:
    explicit CSettingsStore(const QString& application);

    std::optional<QString> Value(const QString& name) const;
    void SetValue(const QString& name, const QString& value);
    // Writes what was set to the store; false when the store could not be written.
    bool Sync();

private:
    QSettings settings_;
};
