// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/RemotePhoneBook.h"

#include <QString>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tobrisk {

// One word of a pppd options file, as pppd splits it: its place in the text (quotes
// included) and its value (quotes and escapes resolved).
struct PeerWord {
    size_t begin = 0;
    size_t end = 0;
    std::string value;
};

// Splits an options file the way pppd reads it: blanks separate words, '#' at the start of
// a word comments out the rest of the line, quotes keep blanks inside a word.
std::vector<PeerWord> SplitPeerOptions(std::string_view text);
// Reads device type, telephone number and default route from a peer file's text.
RemoteEntryProperties ReadPeerProperties(std::string_view text);
// The peer file's text with the telephone number and the default-route option of
// `properties`; everything else is kept as it was. Nothing when the number cannot be placed
// (a number but no chat connect script, or characters that a chat argument cannot hold).
std::optional<std::string> WritePeerProperties(std::string_view text, const RemoteEntryProperties& properties);

// A telephone number that can be given to pppd and, through /bin/sh, to chat: printable ASCII
// without quotes or backslash. Blanks and '#' are fine, since the number is quoted where needed.
bool IsPassableNumber(std::string_view number);

// Why a peer cannot be made to dial the number it is given.
enum class PeerNumberRefusal {
    None,
    UnsafeNumber,     // the number fails IsPassableNumber
    NoPlace,          // no CAPI plugin, and no chat that dials -T (\T in its script)
    ScriptUnreadable, // chat's -f script cannot be read and the line has no -T
};

struct PeerNumberOptions {
    PeerNumberRefusal refusal = PeerNumberRefusal::None;
    // What goes after `call NAME` on pppd's command line so that the peer dials the number.
    std::vector<std::string> options;
};

// The text of a chat script file, or nothing when it cannot be read.
using ChatScriptReader = std::function<std::optional<std::string>(const std::string& path)>;

// How a peer file's text is made to dial `number` whatever number the file holds itself:
// `number N` for a CAPI peer, or the peer's own chat connect command with -T set. An empty
// number needs no options.
PeerNumberOptions NumberOptionsForPeer(std::string_view text, std::string_view number,
                                       const ChatScriptReader& readScript);

// A peer file's text; nothing when it is not a readable file of sensible size.
std::optional<std::string> ReadPeerFile(const QString& path);

// The phone book over pppd's peers folder: one file per entry, named after it, as
// `pppd call NAME` reads it. Owned by main() (tests make their own over a temporary
// folder); user-interface thread.
class PppdPhoneBook : public RemotePhoneBook {
public:
    explicit PppdPhoneBook(QString folder = QStringLiteral("/etc/ppp/peers"));

    uint32_t ListEntries(std::vector<std::string>& names) override;
    uint32_t ReadEntryProperties(const std::string& name, RemoteEntryProperties& properties) override;
    uint32_t WriteEntryProperties(const std::string& name, const RemoteEntryProperties& properties) override;
    // Opens the peer file in the desktop's editor.
    uint32_t EditEntry(const std::string& name) override;
    RemoteEntryFile EntryFile(const std::string& name) override;

    const QString& Folder() const { return folder_; }

private:
    // The peer file of an entry, or empty when the name cannot be a file of the folder.
    QString PeerPath(const std::string& name) const;

    QString folder_;
};

} // namespace tobrisk
