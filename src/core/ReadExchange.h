// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Reading the exchange once a link is up: the parsers of the records read, and the steps of
// "Connetti" that follow the connection dialog. Plain functions of the application object, run on
// the user-interface thread inside the command handler.

#include <QString>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

class CPlimsetApp;

inline constexpr int MIN_CONFIG_VERSION = 1;
inline constexpr int MAX_CONFIG_VERSION = 5;

using RecordData = std::optional<std::span<const uint8_t>>;

// The version record's text read as hexadecimal, its low 8 bits; 0 when no record came or it holds
// no hexadecimal digit.
int ConfigVersionFromRecord(RecordData data);
// Above 4 gives 4; no record, no number or below 1 keeps the default 3, which the rest of the
// program can show and edit.
uint8_t DigitsFromRecord(RecordData data);
// The text up to its first NUL, cut to the 4 characters the prefix holds; empty without a record.
std::string PrefixFromRecord(RecordData data);

struct SDirectoryFields {
    uint16_t lineSeizure = 0;
    std::string phoneNumber;
    std::string name;
};
// Fields 1, 3 and 4 of a directory record; nothing when it has fewer than four fields. A record of
// any length is read whole.
std::optional<SDirectoryFields> ParseDirectoryRecord(std::span<const uint8_t> data);

QString IncompatibleVersionText(int version);

// How a connection attempt ended, as the save needs to know it.
enum class ConnectOutcome {
    Cancelled,       // no link came up; nothing changed
    Failed,          // access refused, version incompatible or link lost: this attempt's link is gone
    DirectoryUnread, // connected, but the exchange's directory did not arrive
    Connected,       // connected with the directory read (routings or urban lines may have failed)
};

// LinkLost: the link was closed while a read waited (by the user, or on a drop the supervision found);
// nothing more was read or shown, and what the disconnect left stays.
enum class ReadOutcome { Complete, DirectoryFailed, RoutingsFailed, UrbanLinesFailed, LinkLost };

// Everything "Connetti" does once the dialog has left a programming socket open and connectedMode
// set: access, version, supervision, settings, directory and line tables, and the list refresh. A
// disconnect while any of them waits ends them at the next step, silently.
ConnectOutcome ReadAfterConnect(CPlimsetApp& app);
// False when the link was closed during the reads; the settings are then the disconnect's.
bool ReadSettings(CPlimsetApp& app);
ReadOutcome ReadDirectoryAndLines(CPlimsetApp& app);
