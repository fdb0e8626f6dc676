// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/SettingsStore.h"

CSettingsStore::CSettingsStore(const QString& application)
    : settings_(QSettings::UserScope, QStringLiteral("Harnok Applications"), application)
{
}

std::optional<QString> CSettingsStore::Value(const QString& name) const
{
    const QVariant value = settings_.value(name);
    if (!value.isValid())
        return std::nullopt;
    return value.toString();
}

void CSettingsStore::SetValue(const QString& name, const QString& value)
{
    settings_.setValue(name, value);
}

bool CSettingsStore::Sync()
{
    settings_.sync();
    return settings_.status() == QSettings::NoError;
}
