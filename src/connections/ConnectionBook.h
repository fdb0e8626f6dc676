// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tobrisk {

// The ways of reaching an exchange; the same numbers are stored in the book file, in the
// "LastType" setting and in the link state's connected mode.
enum ConnectionMode : uint8_t {
    MODE_ETHERNET_LAN = 1,
    MODE_ETHERNET_WAN = 2,
    MODE_PPPOE_ISDN = 3,
    MODE_DIALUP_ISDN = 4,
    MODE_DIALUP_ANALOG = 5,
    MODE_NONE = 255,
};

// "Ethernet LAN" ... "Accesso remoto analogico"; empty for any other value.
QString ConnectionModeText(uint8_t mode);

constexpr uint32_t ADDRESS_NOT_SET = 0xFFFFFFFF;
constexpr uint16_t PORT_NOT_SET = 0xFFFF;

// One saved exchange. Owned by its ConnectionBook (or by the editor until it hands the
// entry over); user-interface thread. Names and numbers are code page 1252 bytes.
class ConnectionEntry {
public:
    ConnectionEntry() = default;
    ConnectionEntry(const ConnectionEntry&) = default;
    ConnectionEntry& operator=(const ConnectionEntry&) = default;
    virtual ~ConnectionEntry() = default;

    bool selected = false;
    std::string name;
    uint32_t lanAddress = ADDRESS_NOT_SET;
    uint16_t lanBasePort = PORT_NOT_SET;
    uint32_t wanAddress = ADDRESS_NOT_SET;
    uint16_t wanBasePort = PORT_NOT_SET;
    std::optional<std::string> isdnNumber;
    std::optional<std::string> analogNumber;
    uint8_t preferredMode = MODE_NONE;

    // Fields 9 to 16 of the file belong to other programs that share the book; this one
    // never interprets them.
    bool reservedFlag = true;
    std::vector<std::string> reservedList;
    std::optional<std::string> reservedTextA;
    std::array<bool, 2> reservedBitsA{};
    std::optional<std::string> reservedTextB;
    std::array<bool, 2> reservedBitsB{};
    uint8_t reservedSmall = 0;
    int32_t reservedNumber = 0;
    // The file's own text of fields 9 to 16 when the entry was read from a line that had
    // them all. It is written back instead of the values above, so that whatever the other
    // programs keep there survives a save byte for byte, even where the values above could
    // not hold it (a list with empty items, bits beyond the first two, numbers that do not
    // fit).
    std::optional<std::string> reservedFileText;
};

enum class BookLineError { None, TooFewFields, EmptyName };

struct BookLine {
    std::unique_ptr<ConnectionEntry> entry; // set when error is None
    BookLineError error = BookLineError::None;
};

// Reads one line of the book file (line end already removed).
BookLine ParseBookLine(std::string_view line);
// The line for one entry, CR LF included.
std::string FormatBookLine(const ConnectionEntry& entry);

// The number fields of a line as the book reads them: blanks and quotes removed, '+' as
// "00"; nothing when no character is left.
std::optional<std::string> CleanBookNumber(std::string_view field);
// The name field as the book reads it: quotes removed.
std::string CleanBookName(std::string_view field);

// "Agenda.csv" in the program's folder when the book already lies there or the folder can
// be written; otherwise in the per-user data folder, which is created when missing.
QString DefaultBookPath();
QString DefaultBookPathIn(const QString& programFolder, const QString& dataFolder);

// The user's saved exchanges in file order (or sorted by name); owns its entries.
// Owned by the connection dialog; user-interface thread.
class ConnectionBook {
public:
    using Entries = std::vector<std::unique_ptr<ConnectionEntry>>;

    // Empties the book and reads the file; an unreadable file leaves the book empty. The
    // entry named exactly nameToSelect (if any) gets `selected`.
    void Load(const QString& path, std::string_view nameToSelect);
    // Writes every entry in book order. The file is replaced only once every line has been
    // written and flushed; on failure the old file is left as it was and the result is false.
    bool Save(const QString& path) const;
    // By name, ASCII letters compared without case; entries that compare equal keep their order.
    void SortByName();

    ConnectionEntry* SelectedEntry() const;
    bool ContainsName(std::string_view name) const;
    void Append(std::unique_ptr<ConnectionEntry> entry);
    // Takes the entry out and deletes it; an entry the book does not hold is ignored.
    void Remove(const ConnectionEntry* entry);
    void Clear() { entries_.clear(); }
    // Replaces the entries by copies of other's, `selected` included. The book stays the same
    // object, so whoever holds it keeps a good reference.
    void CopyFrom(const ConnectionBook& other);
    size_t Count() const { return entries_.size(); }
    ConnectionEntry* At(size_t index) const { return entries_[index].get(); }

    Entries::const_iterator begin() const { return entries_.begin(); }
    Entries::const_iterator end() const { return entries_.end(); }

    // Every line of the book's file, in book order.
    std::string Serialize() const;
    // Loads from the file's bytes instead of the file (what Load does after reading it).
    void LoadBytes(std::string_view bytes, std::string_view nameToSelect);

private:
    Entries entries_;
};

} // namespace tobrisk
