// SPDX-License-Identifier: GPL-3.0-or-later
#include "SeedFile.h"

#include "Protocol.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iconv.h>
#include <sstream>
#include <vector>

namespace exsim {

namespace {

// iconv over one piece of text; false when a character has no counterpart or the input is malformed.
bool Convert(const char* to, const char* from, std::string_view in, std::string& out)
{
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return false;
    std::string input(in);
    char* inPtr = input.data();
    std::size_t inLeft = input.size();
    std::string buffer(input.size() * 4 + 4, '\0');
    char* outPtr = buffer.data();
    std::size_t outLeft = buffer.size();
    const std::size_t result = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    if (result == static_cast<std::size_t>(-1) || inLeft != 0)
        return false;
    out.append(buffer.data(), buffer.size() - outLeft);
    return true;
}

bool ParseHex(std::string_view text, std::uint16_t& value)
{
    if (text.empty() || text.size() > 4)
        return false;
    unsigned result = 0;
    for (char c : text) {
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return false;
        result = result * 16 + static_cast<unsigned>(digit);
    }
    value = static_cast<std::uint16_t>(result);
    return true;
}

// Decimal, or hexadecimal after 0x; at most 0xFFFF.
bool ParseNumber(std::string_view text, std::uint16_t& value)
{
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        return ParseHex(text.substr(2), value);
    if (text.empty() || text.size() > 5)
        return false;
    unsigned result = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        result = result * 10 + static_cast<unsigned>(c - '0');
    }
    if (result > 0xFFFF)
        return false;
    value = static_cast<std::uint16_t>(result);
    return true;
}

bool ParseSeizure(std::string_view text, std::uint16_t& value)
{
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        text.remove_prefix(2);
    return ParseHex(text, value);
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Splits a line into texts, converting literal characters from UTF-8 and resolving escapes in quotes.
bool Tokenize(std::string_view line, std::vector<std::string>& tokens, std::string& error)
{
    tokens.clear();
    std::size_t at = 0;
    for (;;) {
        while (at < line.size() && (line[at] == ' ' || line[at] == '\t'))
            ++at;
        if (at == line.size() || line[at] == '#')
            return true;

        std::string token;
        std::string literal;
        auto flush = [&]() {
            if (!literal.empty() && !Convert("CP1252", "UTF-8", literal, token)) {
                error = "text \"" + literal + "\" is not valid UTF-8 or has a character outside code page 1252";
                return false;
            }
            literal.clear();
            return true;
        };

        if (line[at] != '"') {
            while (at < line.size() && line[at] != ' ' && line[at] != '\t') {
                if (line[at] == '"') {
                    error = "a quote inside an unquoted text";
                    return false;
                }
                literal += line[at++];
            }
        } else {
            ++at;
            for (;;) {
                if (at == line.size()) {
                    error = "missing closing quote";
                    return false;
                }
                const char c = line[at++];
                if (c == '"')
                    break;
                if (c != '\\') {
                    literal += c;
                    continue;
                }
                if (at == line.size()) {
                    error = "missing closing quote";
                    return false;
                }
                const char e = line[at++];
                if (e == '"' || e == '\\') {
                    literal += e;
                } else if (e == '0') {
                    if (!flush())
                        return false;
                    token += '\0';
                } else if (e == 'x' && at + 1 < line.size() && HexDigit(line[at]) >= 0 && HexDigit(line[at + 1]) >= 0) {
                    if (!flush())
                        return false;
                    token += static_cast<char>(HexDigit(line[at]) * 16 + HexDigit(line[at + 1]));
                    at += 2;
                } else {
                    error = std::string("unknown escape \\") + e;
                    return false;
                }
            }
            if (at < line.size() && line[at] != ' ' && line[at] != '\t') {
                error = "a blank must follow the closing quote";
                return false;
            }
        }
        if (!flush())
            return false;
        tokens.push_back(std::move(token));
    }
}

// Quotes bytes for the file: characters of code page 1252 in UTF-8, everything else as an escape.
std::string Quote(std::string_view bytes)
{
    std::string out = "\"";
    for (char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte == 0) {
            out += "\\0";
        } else if (byte >= 0x20 && byte < 0x7F) {
            out += c;
        } else if (byte < 0x80 || !Convert("UTF-8", "CP1252", std::string_view(&c, 1), out)) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\x%02X", byte);
            out += escape;
        }
    }
    return out + "\"";
}

std::string Hex4(std::uint16_t value)
{
    char text[8];
    std::snprintf(text, sizeof text, "0x%04X", value);
    return text;
}

// A text followed by its NUL and holding no other NUL: written as a keyword line.
bool IsSingleText(const std::string& data)
{
    return !data.empty() && data.find('\0') == data.size() - 1;
}

struct DirectoryFields {
    std::uint16_t lineSeizure = 0;
    std::string phoneNumber;
    std::string name;
};

// True when the data is exactly what an `entry` line would produce, so writing it as one loses nothing.
bool AsDirectoryEntry(const std::string& data, DirectoryFields& entry)
{
    std::vector<std::string> fields;
    if (!SplitFields(data, fields) || fields.size() != 4 || !ParseHex(fields[0], entry.lineSeizure))
        return false;
    entry.phoneNumber = fields[2];
    entry.name = fields[3];
    return DirectoryRecord(entry.lineSeizure, entry.phoneNumber, entry.name) == data;
}

} // namespace

std::optional<Tables> ParseSeed(std::string_view text, std::string& error)
{
    Tables tables;
    std::map<std::pair<std::uint16_t, std::uint16_t>, int> seenOnLine;
    int lineNumber = 0;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find('\n', at);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(at, end - at);
        at = end + 1;
        ++lineNumber;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);

        auto fail = [&](const std::string& reason) {
            error = "line " + std::to_string(lineNumber) + ": " + reason;
            return std::nullopt;
        };
        std::vector<std::string> tokens;
        std::string reason;
        if (!Tokenize(line, tokens, reason))
            return fail(reason);
        if (tokens.empty())
            continue;

        const std::string& keyword = tokens[0];
        std::uint16_t table = 0;
        std::uint16_t index = 0;
        std::string data;
        auto expect = [&](std::size_t minimum, std::size_t maximum, const char* usage) {
            if (tokens.size() < minimum || tokens.size() > maximum) {
                reason = std::string("expected: ") + usage;
                return false;
            }
            return true;
        };
        if (keyword == "version" || keyword == "digits" || keyword == "prefix") {
            if (!expect(2, 2, (keyword + " TEXT").c_str()))
                return fail(reason);
            table = keyword == "version" ? TBL_VERSION : keyword == "digits" ? TBL_DIGITS : TBL_PREFIX;
            index = keyword == "version" ? VERSION_INDEX : keyword == "digits" ? DIGITS_INDEX : PREFIX_INDEX;
            data = tokens[1] + '\0';
        } else if (keyword == "routing" || keyword == "urban") {
            if (!expect(2, 3, (keyword + " INDEX [DATA]").c_str()))
                return fail(reason);
            table = keyword == "routing" ? TBL_ROUTING : TBL_URBAN_LINE;
            if (!ParseNumber(tokens[1], index))
                return fail("bad index " + tokens[1]);
            if (tokens.size() == 3)
                data = tokens[2];
        } else if (keyword == "entry") {
            if (!expect(5, 5, "entry SHORT SEIZURE NUMBER NAME"))
                return fail(reason);
            std::uint16_t seizure = 0;
            if (!ParseNumber(tokens[1], index))
                return fail("bad short number " + tokens[1]);
            if (!ParseSeizure(tokens[2], seizure))
                return fail("bad line seizure " + tokens[2] + " (hexadecimal, at most ffff)");
            if (tokens[3].find('\0') != std::string::npos || tokens[4].find('\0') != std::string::npos)
                return fail("a number or name cannot hold a NUL");
            table = TBL_DIRECTORY;
            data = DirectoryRecord(seizure, tokens[3], tokens[4]);
        } else if (keyword == "record") {
            if (!expect(4, 4, "record TABLE INDEX DATA"))
                return fail(reason);
            if (!ParseNumber(tokens[1], table))
                return fail("bad table " + tokens[1]);
            if (!ParseNumber(tokens[2], index))
                return fail("bad index " + tokens[2]);
            data = tokens[3];
        } else {
            return fail("unknown item " + keyword);
        }
        if (data.size() > MAX_RECORD_SIZE)
            return fail("record longer than 65535 bytes");
        const auto [seen, inserted] = seenOnLine.try_emplace({table, index}, lineNumber);
        if (!inserted)
            return fail("this record was already given on line " + std::to_string(seen->second));
        tables[table][index] = std::move(data);
    }
    return tables;
}

std::string FormatSeed(const Tables& tables)
{
    std::ostringstream out;
    out << "# exchange-sim seed file; the format is described by exchange-sim --help\n";
    std::map<std::pair<std::uint16_t, std::uint16_t>, bool> written;
    auto find = [&](std::uint16_t table, std::uint16_t index) -> const std::string* {
        const auto t = tables.find(table);
        if (t == tables.end())
            return nullptr;
        const auto r = t->second.find(index);
        return r == t->second.end() ? nullptr : &r->second;
    };

    const struct {
        const char* keyword;
        std::uint16_t table;
        std::uint16_t index;
    } settings[] = {{"version", TBL_VERSION, VERSION_INDEX},
                    {"digits", TBL_DIGITS, DIGITS_INDEX},
                    {"prefix", TBL_PREFIX, PREFIX_INDEX}};
    for (const auto& setting : settings) {
        const std::string* data = find(setting.table, setting.index);
        if (data && IsSingleText(*data)) {
            out << setting.keyword << ' ' << Quote(data->substr(0, data->size() - 1)) << '\n';
            written[{setting.table, setting.index}] = true;
        }
    }

    for (const auto& [table, keyword] : {std::pair{TBL_ROUTING, "routing"}, std::pair{TBL_URBAN_LINE, "urban"}}) {
        const auto t = tables.find(table);
        if (t == tables.end())
            continue;
        for (const auto& [index, data] : t->second) {
            out << keyword << ' ' << Hex4(index);
            if (!data.empty())
                out << ' ' << Quote(data);
            out << '\n';
            written[{table, index}] = true;
        }
    }

    if (const auto t = tables.find(TBL_DIRECTORY); t != tables.end()) {
        for (const auto& [index, data] : t->second) {
            DirectoryFields entry;
            if (!AsDirectoryEntry(data, entry))
                continue;
            char seizure[8];
            std::snprintf(seizure, sizeof seizure, "%x", static_cast<unsigned>(entry.lineSeizure));
            out << "entry " << index << ' ' << seizure << ' ' << Quote(entry.phoneNumber) << ' ' << Quote(entry.name)
                << '\n';
            written[{TBL_DIRECTORY, index}] = true;
        }
    }

    for (const auto& [table, records] : tables) {
        for (const auto& [index, data] : records) {
            if (!written.count({table, index}))
                out << "record " << Hex4(table) << ' ' << Hex4(index) << ' ' << Quote(data) << '\n';
        }
    }
    return out.str();
}

std::optional<Tables> LoadSeedFile(const std::string& path, std::string& error)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = path + ": " + std::strerror(errno);
        return std::nullopt;
    }
    std::ostringstream text;
    text << in.rdbuf();
    auto tables = ParseSeed(text.str(), error);
    if (!tables)
        error = path + ": " + error;
    return tables;
}

bool SaveSeedFile(const std::string& path, const Tables& tables, std::string& error)
{
    const std::string temporary = path + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << FormatSeed(tables);
        out.flush();
        if (!out) {
            error = temporary + ": " + std::strerror(errno);
            std::remove(temporary.c_str());
            return false;
        }
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        error = path + ": " + std::strerror(errno);
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

std::string SeedFormatHelp()
{
    return R"(Seed file (--seed, --save): UTF-8 text, one record per line. Blank lines and text after a # that
starts a field are ignored. Fields are separated by blanks; a field holding blanks is written in double
quotes, where \" is a quote, \\ a backslash, \0 a NUL byte and \xHH the byte HH. Characters are held by
the exchange as code page 1252 bytes (è is the byte 0xE8). Numbers are decimal, or hexadecimal after 0x.
Each record may be given once.

  version TEXT          configuration version, hexadecimal text (table 0x2718, index 0x0500)
  digits TEXT           digits of the short numbers (table 0x2D10, index 0)
  prefix TEXT           directory prefix (table 0x2501, index 15)
                        (these three get a NUL after the text)
  routing INDEX [DATA]  a routing (table 0x2301); the index is its line seizure 0x03nn
  urban INDEX [DATA]    an urban line (table 0x2001); the index is its line seizure
                        0x4000 + group * 128 + line
  entry SHORT SEIZURE NUMBER NAME
                        a directory entry (table 0x2D20): short number, line seizure in
                        hexadecimal (7fff default routing, 3nn routing nn, 4000 + group * 128 +
                        line an urban line, 0 none), telephone number and name
  record TABLE INDEX DATA
                        any record with its data in full, NULs included

Example:
  version 5
  digits 3
  prefix 5
  routing 0x0301
  urban 0x4081
  entry 12 7fff "02 7654 3210" "Caffè Centrale"
  record 0x2D20 7 "7fff\0"   # a directory record with one field only
)";
}

} // namespace exsim
