#include "platform/PppdPhoneBook.h"

#include "platform/CodePage.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QUrl>
#include <algorithm>
#include <array>

namespace {

constexpr qint64 MAX_PEER_FILE = 1 << 20;

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

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
        if (IsSpace(command[pos])) {
            ++pos;
            continue;
        }
        PeerWord word;
        word.begin = pos;
        char quote = 0;
        for (; pos < command.size() && (quote || !IsSpace(command[pos])); ++pos) {
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

// Where chat's telephone number (-T) sits in a connect command.
struct ChatNumber {
    bool isChat = false;
    size_t begin = 0; // range of the words that hold "-T" and the number; empty when absent
    size_t end = 0;
    std::string number;
    size_t programEnd = 0; // end of the chat program word, where a missing -T goes
};

ChatNumber FindChatNumber(std::string_view command)
{
    ChatNumber found;
    const std::vector<PeerWord> words = SplitCommand(command);
    if (words.empty() || BaseName(words[0].value) != "chat")
        return found;
    found.isChat = true;
    found.programEnd = words[0].end;
    for (size_t i = 1; i < words.size(); ++i) {
        const std::string& value = words[i].value;
        if (value == "-T" && i + 1 < words.size()) {
            found.begin = words[i].begin;
            found.end = words[i + 1].end;
            found.number = words[i + 1].value;
            return found;
        }
        if (StartsWith(value, "-T") && value.size() > 2) {
            found.begin = words[i].begin;
            found.end = words[i].end;
            found.number = value.substr(2);
            return found;
        }
    }
    return found;
}

// A number goes into a quoted pppd word and on chat's command line unquoted.
bool IsPlaceableNumber(std::string_view number)
{
    return std::all_of(number.begin(), number.end(), [](char c) {
        return c > ' ' && c < 0x7F && c != '"' && c != '\'' && c != '\\' && c != '#' && c != ';';
    });
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
        if (IsSpace(text[pos])) {
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
        for (; pos < text.size() && (quote || !IsSpace(text[pos])); ++pos) {
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
            std::string changed = command;
            if (chat.end > chat.begin) {
                size_t begin = chat.begin;
                while (properties.telephoneNumber.empty() && begin > 0 && IsSpace(changed[begin - 1]))
                    --begin;
                changed.replace(begin, chat.end - begin,
                                properties.telephoneNumber.empty() ? "" : "-T " + properties.telephoneNumber);
            } else {
                changed.insert(chat.programEnd, " -T " + properties.telephoneNumber);
            }
            edits.push_back({words[i].begin, words[i].end, QuoteWord(changed)});
        } else if (word == "defaultroute") {
            hasDefaultRoute = true;
            if (!properties.defaultRoute)
                edits.push_back(RemoveWord(text, words[i]));
        }
    }
    if (!IsPlaceableNumber(properties.telephoneNumber))
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

CPppdPhoneBook::CPppdPhoneBook(QString folder) : folder_(std::move(folder)) {}

QString CPppdPhoneBook::PeerPath(const std::string& name) const
{
    const QString fileName = FromCp1252(name);
    if (fileName.isEmpty() || fileName.contains(QLatin1Char('/')) || fileName == QLatin1String(".") ||
        fileName == QLatin1String(".."))
        return {};
    return QDir(folder_).filePath(fileName);
}

uint32_t CPppdPhoneBook::ListEntries(std::vector<std::string>& names)
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

uint32_t CPppdPhoneBook::ReadEntryProperties(const std::string& name, RemoteEntryProperties& properties)
{
    properties = {};
    const QString path = PeerPath(name);
    const QFileInfo info(path);
    if (path.isEmpty() || !info.isFile() || info.size() > MAX_PEER_FILE)
        return REMOTE_ERR_OPTIONS;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return REMOTE_ERR_OPTIONS;
    const QByteArray bytes = file.read(MAX_PEER_FILE);
    if (file.error() != QFileDevice::NoError)
        return REMOTE_ERR_OPTIONS;
    properties = ReadPeerProperties(std::string_view(bytes.constData(), size_t(bytes.size())));
    return 0;
}

uint32_t CPppdPhoneBook::WriteEntryProperties(const std::string& name, const RemoteEntryProperties& properties)
{
    const QString path = PeerPath(name);
    if (path.isEmpty() || !QFileInfo(path).isFile())
        return REMOTE_ERR_OPTIONS;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > MAX_PEER_FILE)
        return REMOTE_ERR_OPTIONS;
    const QByteArray bytes = file.readAll();
    file.close();
    const std::optional<std::string> changed =
        WritePeerProperties(std::string_view(bytes.constData(), size_t(bytes.size())), properties);
    if (!changed)
        return REMOTE_ERR_OPTIONS;
    if (changed->size() == size_t(bytes.size()) && std::equal(changed->begin(), changed->end(), bytes.begin()))
        return 0;
    // Replaced whole, so that pppd never reads a half-written peer file.
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly) ||
        out.write(changed->data(), qint64(changed->size())) != qint64(changed->size()))
        return REMOTE_ERR_FATAL;
    return out.commit() ? 0 : REMOTE_ERR_FATAL;
}

uint32_t CPppdPhoneBook::EditEntry(const std::string& name)
{
    const QString path = PeerPath(name);
    if (path.isEmpty() || !QFileInfo(path).isFile())
        return REMOTE_ERR_OPTIONS;
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path)) ? 0 : REMOTE_ERR_FATAL;
}
