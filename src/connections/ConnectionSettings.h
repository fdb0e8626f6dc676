// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/SettingsKeys.h"

#include <QString>
#include <cstdint>
#include <optional>

namespace tobrisk {

class SettingsStore;

// Reads a value into `value`. A value that is absent, or longer than its 260-byte buffer
// (259 bytes of code page 1252 and the end mark), reads as empty and gives false.
bool ReadSetting(const SettingsStore& store, const SettingsKey& key, QString& value);
// Stores the text; false when the store could not be written.
bool WriteSetting(SettingsStore& store, const SettingsKey& key, const QString& text);

// "PPPoE ip" keeps the octets in reverse order ("254.1.168.192" for the device
// 192.168.1.254); stored values depend on it. A text that does not parse gives
// 255.255.255.255, which the connection dialog refuses.
uint32_t PppoeAddressFromSetting(const QString& text);
QString PppoeAddressToSetting(uint32_t address);
// The PPPoE device's address from "PPPoE ip"; nothing when the value is absent or reads as
// 0.0.0.0. A blank address field has always been stored as 0.0.0.0, and that address would send
// the dial request to this machine itself.
std::optional<uint32_t> ReadPppoeAddress(const SettingsStore& store);

} // namespace tobrisk
