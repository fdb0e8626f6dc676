// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLatin1String>
#include <QString>

namespace tobrisk {

// The per-user stores, each under "Software\Harnok Applications\<its name>".
enum class SettingsFile { Program, Connection };

inline QString SettingsFileName(SettingsFile file)
{
    return file == SettingsFile::Program ? QStringLiteral("ZentilPlimset") : QStringLiteral("ZentilConnection");
}

// One stored value: its store, its name there, and the text that stands in when it is missing (empty when
// a missing value is simply empty).
struct SettingsKey {
    SettingsFile file;
    QLatin1String name;
    QLatin1String defaultValue;
};

// Users' settings were written under these names: a name here never changes.
namespace SettingsKeys {
// The folder of the last CSV file chosen.
inline constexpr SettingsKey LastFolder{SettingsFile::Program, QLatin1String("Directory"), QLatin1String()};
// "1" when the save shows what it will change before it writes; missing, it does not.
inline constexpr SettingsKey ShowSaveChanges{SettingsFile::Program, QLatin1String("ShowSaveChanges"),
                                             QLatin1String("0")};
// The connection book; missing or empty, the default book in the user's data folder is used and named here.
inline constexpr SettingsKey BookFile{SettingsFile::Connection, QLatin1String("File"), QLatin1String()};
// The entry and the mode of the last connection; missing, none is chosen.
inline constexpr SettingsKey LastName{SettingsFile::Connection, QLatin1String("LastName"), QLatin1String()};
inline constexpr SettingsKey LastType{SettingsFile::Connection, QLatin1String("LastType"), QLatin1String()};
// The PPPoE device: the pppd entry that reaches it, its address (octets reversed) and its port.
inline constexpr SettingsKey PppoeConnection{SettingsFile::Connection, QLatin1String("PPPoE connection"),
                                             QLatin1String()};
inline constexpr SettingsKey PppoeAddress{SettingsFile::Connection, QLatin1String("PPPoE ip"), QLatin1String()};
inline constexpr SettingsKey PppoePort{SettingsFile::Connection, QLatin1String("PPPoE port"), QLatin1String("40001")};
// The pppd entries of the ISDN and analogue dial-up modes.
inline constexpr SettingsKey IsdnConnection{SettingsFile::Connection, QLatin1String("Isdn Ras connection"),
                                            QLatin1String()};
inline constexpr SettingsKey AnalogConnection{SettingsFile::Connection, QLatin1String("Analog Ras connection"),
                                              QLatin1String()};
} // namespace SettingsKeys

} // namespace tobrisk
