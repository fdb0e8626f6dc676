// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <cstdint>
#include <string>
#include <vector>

namespace tobrisk {

// The phone book of the remote-access (dial-up networking) service: its entries, their
// device types and the properties that the dial-up code changes before it dials.
//
// Every operation gives 0 on success or the service's error number. The numbers are those
// that pppd itself gives when it meets the same trouble, so that one table of texts serves
// both this side and the dialling side.
constexpr uint32_t REMOTE_ERR_FATAL = 1;   // pppd: fatal error (a file could not be written)
constexpr uint32_t REMOTE_ERR_OPTIONS = 2; // pppd: error in the options (no such entry, unreadable)

// Device types as the settings dialog filters them.
inline constexpr const char* REMOTE_DEVICE_PPPOE = "PPPoE";
inline constexpr const char* REMOTE_DEVICE_ISDN = "isdn";
inline constexpr const char* REMOTE_DEVICE_MODEM = "modem";

struct RemoteEntryProperties {
    // "PPPoE", "isdn", "modem", or empty when the entry names no device this program knows.
    std::string deviceType;
    // The number the entry dials; empty when it has none (a PPPoE entry).
    std::string telephoneNumber;
    // True when bringing the link up makes the remote network the default route.
    bool defaultRoute = false;
};

// Where EditEntry lets the user edit an entry; an empty path when the entry has no file.
struct RemoteEntryFile {
    QString path;
    // False when the user's changes could not be saved there (it needs an administrator).
    bool writable = false;
};

// Owned by the application (the platform set); user-interface thread.
class RemotePhoneBook {
public:
    virtual ~RemotePhoneBook() = default;

    // The names of the book's entries, in a stable order.
    virtual uint32_t ListEntries(std::vector<std::string>& names) = 0;
    // Reads one entry's properties.
    virtual uint32_t ReadEntryProperties(const std::string& name, RemoteEntryProperties& properties) = 0;
    // Stores the telephone number and the default-route option of an entry (the device type
    // is not written). The dial-up code keeps in the entry the number it dials and the cleared
    // default route: read the properties, change the two fields, write them back.
    virtual uint32_t WriteEntryProperties(const std::string& name, const RemoteEntryProperties& properties) = 0;
    // Lets the user edit the entry with the platform's own tool; returns at once.
    virtual uint32_t EditEntry(const std::string& name) = 0;
    virtual RemoteEntryFile EntryFile(const std::string& name) = 0;
};

} // namespace tobrisk
