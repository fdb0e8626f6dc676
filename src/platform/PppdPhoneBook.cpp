// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/PppdPhoneBook.h"

#include "platform/CodePage.h"
#include "platform/TextScan.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QUrl>
#include <algorithm>
#include <array>

namespace tobrisk {

namespace {

constexpr qint64 MAX_PEER_FILE = 1 << 20;

bool StartsWith(std::string_view text, std::string_view prefix)
{
    return text.substr(0, prefix.size()) == prefix;
}

std::string_view BaseName(std::string_view path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string Lower(std::string_view text)
{
    std::string lower(text);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return lower;
}

// Options whose argument is free text that must not be taken for a device name.
bool TakesTextArgument(std::string_view option)
{
    static constexpr std::array<std::string_view, 13> options{
        "user", "password", "name",    "remotename", "ipparam", "linkname",    "disconnect",
        "init", "welcome",  "logfile", "file",       "call",    "remotenumber"};
    return std::find(options.begin(), options.end(), option) != options.end();
}

// A command line as the shell sees it, enough to find chat's arguments: words separated by
// blanks, quoted parts kept together. Positions are those in `command`.
std::vector<PeerWord> SplitCommand(std::string_view command)
{
    std::vector<PeerWord> words;
    size_t pos = 0;
    while (pos < command.size()) {
        if (IsBlank(command[pos])) {
            ++pos;
            continue;
        }
        PeerWord word;
        word.begin = pos;
        char quote = 0;
        for (; pos < command.size() && (quote || !IsBlank(command[pos])); ++pos) {
            const char c = command[pos];
            if (quote && c == quote)
                quote = 0;
            else if (!quote && (c == '\'' || c == '"'))
                quote = c;
            else
                word.value += c;
        }
        word.end = pos;
        words.push_back(std::move(word));
    }
    return words;
}

// What a connect command tells of chat: where its telephone number (-T) sits, and where the
// script that would dial it comes from.
struct ChatNumber {
    bool isChat = false;
    size_t begin = 0; // range of the words that hold "-T" and the number; empty when absent
    size_t end = 0;
    std::string number;
    size_t programEnd = 0;                 // end of the chat program word, where a missing -T goes
    std::optional<std::string> scriptFile; // the -f file
    bool inlineScriptHasNumber = false;    // a script word on the command line holds \T
};

bool HoldsNumberPlaceholder(std::string_view text)
{
    return text.find("\\T") != std::string_view::npos;
}

// chat takes its options getopt-style until the first script word.
ChatNumber FindChatNumber(std::string_view command)
{
    ChatNumber found;
    const std::vector<PeerWord> words = SplitCommand(command);
    if (words.empty() || BaseName(words[0].value) != "chat")
        return found;
    found.isChat = true;
    found.programEnd = words[0].end;
    bool inScript = false;
    for (size_t i = 1; i < words.size(); ++i) {
        const std::string& value = words[i].value;
        if (inScript || value.size() < 2 || value[0] != '-') {
            inScript = true;
            found.inlineScriptHasNumber = found.inlineScriptHasNumber || HoldsNumberPlaceholder(value);
            continue;
        }
        const char option = value[1];
        if (std::string_view("TUtrf").find(option) == std::string_view::npos)
            continue;
        const size_t first = i;
        std::string argument;
        if (value.size() > 2)
            argument = value.substr(2);
        else if (i + 1 < words.size())
            argument = words[++i].value;
        else
            break;
        if (option == 'T' && found.end == found.begin) {
            found.begin = words[first].begin;
            found.end = words[i].end;
            found.number = argument;
        } else if (option == 'f') {
            found.scriptFile = argument;
        }
    }
    return found;
}

// A chat script file holds the placeholder outside its comment lines.
bool ScriptHoldsNumber(std::string_view script)
{
    size_t pos = 0;
    while (pos < script.size()) {
        size_t end = script.find('\n', pos);
        if (end == std::string_view::npos)
            end = script.size();
        std::string_view line = script.substr(pos, end - pos);
        while (!line.empty() && IsBlank(line.front()))
            line.remove_prefix(1);
        if (!StartsWith(line, "#") && HoldsNumberPlaceholder(line))
            return true;
        pos = end + 1;
    }
    return false;
}

// The number as one word for /bin/sh: bare when nothing in it means anything to the shell,
// otherwise single-quoted (a passable number holds no quote that could end the quoting).
std::string ShellWord(std::string_view number)
{
    const bool plain = std::all_of(number.begin(), number.end(), [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
               std::string_view("+,-./:@_").find(c) != std::string_view::npos;
    });
    return plain && !number.empty() ? std::string(number) : "'" + std::string(number) + "'";
}

// The connect command with chat's -T set to `number`, or taken out for an empty number.
std::string WithChatNumber(std::string command, const ChatNumber& chat, std::string_view number)
{
    if (chat.end > chat.begin) {
        size_t begin = chat.begin;
        while (number.empty() && begin > 0 && IsBlank(command[begin - 1]))
            --begin;
        command.replace(begin, chat.end - begin, number.empty() ? "" : "-T " + ShellWord(number));
    } else if (!number.empty()) {
        command.insert(chat.programEnd, " -T " + ShellWord(number));
    }
    return command;
}

std::string QuoteWord(std::string_view value)
{
    std::string quoted = "\"";
    for (char c : value) {
        if (c == '"' || c == '\\')
            quoted += '\\';
        quoted += c;
    }
    return quoted + '"';
}

struct Edit {
    size_t begin;
    size_t end;
    std::string replacement;
};

// The range that removing a word takes out: its whole line when it stands alone there,
// otherwise the word and the blanks after it.
Edit RemoveWord(std::string_view text, const PeerWord& word)
{
    const size_t lineStart = text.rfind('\n', word.begin == 0 ? 0 : word.begin - 1);
    const size_t from = word.begin == 0 || lineStart == std::string_view::npos ? 0 : lineStart + 1;
    size_t lineEnd = text.find('\n', word.end);
    const size_t to = lineEnd == std::string_view::npos ? text.size() : lineEnd;
    auto blank = [&](size_t a, size_t b) {
        return std::all_of(text.begin() + long(a), text.begin() + long(b),
                           [](char c) { return c == ' ' || c == '\t'; });
    };
    if (blank(from, word.begin) && blank(word.end, to))
        return {from, lineEnd == std::string_view::npos ? text.size() : lineEnd + 1, {}};
    size_t end = word.end;
    while (end < text.size() && (text[end] == ' ' || text[end] == '\t'))
        ++end;
    return {word.begin, end, {}};
}

} // namespace

std::vector<PeerWord> SplitPeerOptions(std::string_view text)
{
    std::vector<PeerWord> words;
    size_t pos = 0;
    while (pos < text.size()) {
        if (IsBlank(text[pos])) {
            ++pos;
            continue;
        }
        if (text[pos] == '#') {
            while (pos < text.size() && text[pos] != '\n')
                ++pos;
            continue;
        }
        PeerWord word;
        word.begin = pos;
        char quote = 0;
        for (; pos < text.size() && (quote || !IsBlank(text[pos])); ++pos) {
            const char c = text[pos];
            if (c == '\\' && pos + 1 < text.size()) {
                ++pos;
                if (text[pos] != '\n') // a backslash before the line end continues the word
                    word.value += text[pos];
            } else if (quote && c == quote) {
                quote = 0;
            } else if (!quote && (c == '"' || c == '\'')) {
                quote = c;
            } else {
                word.value += c;
            }
        }
        word.end = pos;
        words.push_back(std::move(word));
    }
    return words;
}

RemoteEntryProperties ReadPeerProperties(std::string_view text)
{
    RemoteEntryProperties properties;
    bool pppoe = false;
    bool isdn = false;
    bool modem = false;
    const std::vector<PeerWord> words = SplitPeerOptions(text);
    for (size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i].value;
        const bool hasArgument = i + 1 < words.size();
        if (word == "plugin" && hasArgument) {
            const std::string plugin = Lower(BaseName(words[++i].value));
            pppoe = pppoe || plugin.find("pppoe") != std::string::npos;
            isdn = isdn || plugin.find("capi") != std::string::npos;
        } else if (word == "pty" && hasArgument) {
            const std::vector<PeerWord> command = SplitCommand(words[++i].value);
            pppoe = pppoe || (!command.empty() && StartsWith(BaseName(command[0].value), "pppoe"));
        } else if (word == "connect" && hasArgument) {
            properties.telephoneNumber = FindChatNumber(words[++i].value).number;
        } else if (TakesTextArgument(word) && hasArgument) {
            ++i;
        } else if (word == "defaultroute") {
            properties.defaultRoute = true;
        } else if (word == "nodefaultroute") {
            properties.defaultRoute = false;
        } else if (StartsWith(word, "nic-")) {
            pppoe = true;
        } else {
            const std::string_view device = StartsWith(word, "/dev/") ? std::string_view(word).substr(5) : word;
            if (StartsWith(device, "ttyI") || StartsWith(device, "ippp") || StartsWith(device, "capi"))
                isdn = true;
            else if (StartsWith(device, "tty") || StartsWith(device, "rfcomm"))
                modem = true;
        }
    }
    if (pppoe)
        properties.deviceType = REMOTE_DEVICE_PPPOE;
    else if (isdn)
        properties.deviceType = REMOTE_DEVICE_ISDN;
    else if (modem)
        properties.deviceType = REMOTE_DEVICE_MODEM;
    return properties;
}

std::optional<std::string> WritePeerProperties(std::string_view text, const RemoteEntryProperties& properties)
{
    const std::vector<PeerWord> words = SplitPeerOptions(text);
    std::vector<Edit> edits;
    bool hasDefaultRoute = false;
    bool numberPlaced = false;
    for (size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i].value;
        if ((word == "connect" || TakesTextArgument(word) || word == "plugin" || word == "pty") &&
            i + 1 < words.size()) {
            ++i;
            if (word != "connect")
                continue;
            const std::string& command = words[i].value;
            const ChatNumber chat = FindChatNumber(command);
            if (!chat.isChat)
                continue;
            numberPlaced = true;
            if (chat.number == properties.telephoneNumber)
                continue;
            edits.push_back(
                {words[i].begin, words[i].end, QuoteWord(WithChatNumber(command, chat, properties.telephoneNumber))});
        } else if (word == "defaultroute") {
            hasDefaultRoute = true;
            if (!properties.defaultRoute)
                edits.push_back(RemoveWord(text, words[i]));
        }
    }
    if (!IsPassableNumber(properties.telephoneNumber))
        return std::nullopt;
    if (!numberPlaced && !properties.telephoneNumber.empty())
        return std::nullopt;

    std::string result(text);
    std::sort(edits.begin(), edits.end(), [](const Edit& a, const Edit& b) { return a.begin > b.begin; });
    for (const Edit& edit : edits)
        result.replace(edit.begin, edit.end - edit.begin, edit.replacement);
    if (properties.defaultRoute && !hasDefaultRoute) {
        if (!result.empty() && result.back() != '\n')
            result += '\n';
        result += "defaultroute\n";
    }
    return result;
}

bool IsPassableNumber(std::string_view number)
{
    return std::all_of(number.begin(), number.end(),
                       [](char c) { return c >= ' ' && c < 0x7F && c != '"' && c != '\'' && c != '\\'; });
}

PeerNumberOptions NumberOptionsForPeer(std::string_view text, std::string_view number,
                                       const ChatScriptReader& readScript)
{
    if (number.empty())
        return {};
    if (!IsPassableNumber(number))
        return {PeerNumberRefusal::UnsafeNumber, {}};
    bool capi = false;
    std::optional<std::string> connect;
    const std::vector<PeerWord> words = SplitPeerOptions(text);
    for (size_t i = 0; i + 1 < words.size(); ++i) {
        const std::string& word = words[i].value;
        if (word == "plugin")
            capi = capi || Lower(BaseName(words[++i].value)).find("capi") != std::string::npos;
        else if (word == "connect")
            connect = words[++i].value;
        else if (TakesTextArgument(word) || word == "pty")
            ++i;
    }
    if (capi)
        return {PeerNumberRefusal::None, {"number", std::string(number)}};
    const ChatNumber chat = connect ? FindChatNumber(*connect) : ChatNumber{};
    if (!chat.isChat)
        return {PeerNumberRefusal::NoPlace, {}};
    // A -T on the line says the script dials it; otherwise the script must ask for it with \T.
    if (chat.end == chat.begin) {
        if (chat.scriptFile) {
            const std::optional<std::string> script = readScript(*chat.scriptFile);
            if (!script)
                return {PeerNumberRefusal::ScriptUnreadable, {}};
            if (!ScriptHoldsNumber(*script))
                return {PeerNumberRefusal::NoPlace, {}};
        } else if (!chat.inlineScriptHasNumber) {
            return {PeerNumberRefusal::NoPlace, {}};
        }
    }
    return {PeerNumberRefusal::None, {"connect", WithChatNumber(*connect, chat, number)}};
}

std::optional<std::string> ReadPeerFile(const QString& path)
{
    const QFileInfo info(path);
    if (path.isEmpty() || !info.isFile() || info.size() > MAX_PEER_FILE)
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray bytes = file.read(MAX_PEER_FILE);
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    return std::string(bytes.constData(), size_t(bytes.size()));
}

PppdPhoneBook::PppdPhoneBook(QString folder) : folder_(std::move(folder)) {}

QString PppdPhoneBook::PeerPath(const std::string& name) const
{
    const QString fileName = FromCp1252(name);
    if (fileName.isEmpty() || fileName.contains(QLatin1Char('/')) || fileName == QLatin1String(".") ||
        fileName == QLatin1String(".."))
        return {};
    return QDir(folder_).filePath(fileName);
}

uint32_t PppdPhoneBook::ListEntries(std::vector<std::string>& names)
{
    names.clear();
    const QDir folder(folder_);
    if (!folder.exists() || !folder.isReadable())
        return REMOTE_ERR_OPTIONS;
    // System: a dangling link is listed too; reading it fails and only that entry is skipped.
    const QStringList files = folder.entryList(QDir::Files | QDir::System | QDir::NoDotAndDotDot);
    for (const QString& file : files) {
        // Editor and package-manager leftovers are not entries.
        if (file.endsWith(QLatin1Char('~')) || file.contains(QLatin1String(".dpkg-")) ||
            file.contains(QLatin1String(".ucf-")) || file.endsWith(QLatin1String(".bak")))
            continue;
        const std::string name = ToCp1252(file);
        if (FromCp1252(name) == file)
            names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return 0;
}

uint32_t PppdPhoneBook::ReadEntryProperties(const std::string& name, RemoteEntryProperties& properties)
{
    properties = {};
    const std::optional<std::string> text = ReadPeerFile(PeerPath(name));
    if (!text)
        return REMOTE_ERR_OPTIONS;
    properties = ReadPeerProperties(*text);
    return 0;
}

uint32_t PppdPhoneBook::WriteEntryProperties(const std::string& name, const RemoteEntryProperties& properties)
{
    const QString path = PeerPath(name);
    const std::optional<std::string> text = ReadPeerFile(path);
    if (!text)
        return REMOTE_ERR_OPTIONS;
    const std::optional<std::string> changed = WritePeerProperties(*text, properties);
    if (!changed)
        return REMOTE_ERR_OPTIONS;
    if (*changed == *text)
        return 0;
    // Replaced whole, so that pppd never reads a half-written peer file.
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly) ||
        out.write(changed->data(), qint64(changed->size())) != qint64(changed->size()))
        return REMOTE_ERR_FATAL;
    return out.commit() ? 0 : REMOTE_ERR_FATAL;
}

RemoteEntryFile PppdPhoneBook::EntryFile(const std::string& name)
{
    const QString path = PeerPath(name);
    const QFileInfo info(path);
    if (path.isEmpty() || !info.isFile())
        return {};
    return {path, info.isWritable()};
}

uint32_t PppdPhoneBook::EditEntry(const std::string& name)
{
    const QString path = PeerPath(name);
    if (path.isEmpty() || !QFileInfo(path).isFile())
        return REMOTE_ERR_OPTIONS;
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path)) ? 0 : REMOTE_ERR_FATAL;
}

} // namespace tobrisk
