// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/SettingsStore.h"

namespace tobrisk {

SettingsStore::SettingsStore(SettingsFile file)
    : file_(file), settings_(QSettings::UserScope, QStringLiteral("Harnok Applications"), SettingsFileName(file))
{
}

std::optional<QString> SettingsStore::Value(const SettingsKey& key) const
{
    Q_ASSERT(key.file == file_);
    const QVariant value = settings_.value(key.name);
    if (!value.isValid())
        return std::nullopt;
    return value.toString();
}

void SettingsStore::SetValue(const SettingsKey& key, const QString& value)
{
    Q_ASSERT(key.file == file_);
    settings_.setValue(key.name, value);
}

bool SettingsStore::Sync()
{
    settings_.sync();
    return settings_.status() == QSettings::NoError;
}

} // namespace tobrisk
