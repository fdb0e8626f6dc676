#pragma once

#include "platform/RemotePhoneBook.h"

#include <QString>
#include <string>
#include <string_view>
#include <vector>

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

// The phone book over pppd's peers folder: one file per entry, named after it, as
// `pppd call NAME` reads it. Owned by main() (tests make their own over a temporary
// folder); user-interface thread.
class CPppdPhoneBook : public IRemotePhoneBook {
public:
    explicit CPppdPhoneBook(QString folder = QStringLiteral("/etc/ppp/peers"));

    uint32_t ListEntries(std::vector<std::string>& names) override;
    uint32_t ReadEntryProperties(const std::string& name, RemoteEntryProperties& properties) override;
    uint32_t WriteEntryProperties(const std::string& name, const RemoteEntryProperties& properties) override;
    // Opens the peer file in the desktop's editor.
    uint32_t EditEntry(const std::string& name) override;

    const QString& Folder() const { return folder_; }

private:
    // The peer file of an entry, or empty when the name cannot be a file of the folder.
    QString PeerPath(const std::string& name) const;

    QString folder_;
};
