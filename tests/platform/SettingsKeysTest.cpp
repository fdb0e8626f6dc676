// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/SettingsKeys.h"
#include "platform/SettingsStore.h"

#include <QSettings>
#include <gtest/gtest.h>

using namespace tobrisk;

namespace {

// Settings that users' machines already hold were written under these literal stores and names; each must
// still be read through the table.
TEST(SettingsKeysTest, ValuesWrittenUnderTheOldNamesReadThroughTheTable)
{
    struct Case {
        const char* store;
        const char* name;
        SettingsKey key;
    };
    const Case cases[] = {
        {"ZentilPlimset", "Directory", SettingsKeys::LastFolder},
        {"ZentilConnection", "File", SettingsKeys::BookFile},
        {"ZentilConnection", "LastName", SettingsKeys::LastName},
        {"ZentilConnection", "LastType", SettingsKeys::LastType},
        {"ZentilConnection", "PPPoE connection", SettingsKeys::PppoeConnection},
        {"ZentilConnection", "PPPoE ip", SettingsKeys::PppoeAddress},
        {"ZentilConnection", "PPPoE port", SettingsKeys::PppoePort},
        {"ZentilConnection", "Isdn Ras connection", SettingsKeys::IsdnConnection},
        {"ZentilConnection", "Analog Ras connection", SettingsKeys::AnalogConnection},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString value = QStringLiteral("scritto da una versione precedente: ") + QLatin1String(c.name);
        {
            QSettings old(QSettings::UserScope, QStringLiteral("Harnok Applications"), QLatin1String(c.store));
            old.clear();
            old.setValue(QLatin1String(c.name), value);
        }
        EXPECT_EQ(SettingsStore(c.key.file).Value(c.key), value);
    }
}

} // namespace
