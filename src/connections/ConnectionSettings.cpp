// SPDX-License-Identifier: GPL-3.0-or-later
#include "connections/ConnectionSettings.h"

#include "platform/CodePage.h"
#include "platform/InetAddr.h"
#include "platform/SettingsStore.h"

namespace tobrisk {

namespace {

constexpr size_t SETTING_BUFFER = 260;

uint32_t SwapOctets(uint32_t address)
{
    return (address >> 24) | ((address >> 8) & 0xFF00u) | ((address << 8) & 0xFF0000u) | (address << 24);
}

} // namespace

bool ReadSetting(const SettingsStore& store, const SettingsKey& key, QString& value)
{
    value.clear();
    const std::optional<QString> stored = store.Value(key);
    if (!stored || ToCp1252(*stored).size() + 1 > SETTING_BUFFER)
        return false;
    value = *stored;
    return true;
}

bool WriteSetting(SettingsStore& store, const SettingsKey& key, const QString& text)
{
    store.SetValue(key, text);
    return store.Sync();
}

uint32_t PppoeAddressFromSetting(const QString& text)
{
    // The stored text was written from the address with its octets in memory order, so the
    // parsed value is the address with its octets swapped.
    return SwapOctets(ParseInetAddr(ToCp1252(text)).value_or(0xFFFFFFFFu));
}

QString PppoeAddressToSetting(uint32_t address)
{
    return FromCp1252(FormatInetAddr(SwapOctets(address)));
}

std::optional<uint32_t> ReadPppoeAddress(const SettingsStore& store)
{
    QString text;
    if (!ReadSetting(store, SettingsKeys::PppoeAddress, text))
        return std::nullopt;
    const uint32_t address = PppoeAddressFromSetting(text);
    if (address == 0)
        return std::nullopt;
    return address;
}

} // namespace tobrisk
