// SPDX-License-Identifier: GPL-3.0-or-later
#include "Protocol.h"

#include <cstdio>

namespace exsim {

namespace {

void PutBigEndian(Bytes& out, std::uint16_t value)
{
    out.push_back(static_cast<std::uint8_t>(value >> 8));
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
}

std::string Hex4(std::uint16_t value)
{
    char text[8];
    std::snprintf(text, sizeof text, "0x%04X", value);
    return text;
}

std::string EscapeText(std::string_view text)
{
    std::string out;
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte == '"' || byte == '\\') {
            out += '\\';
            out += c;
        } else if (byte >= 0x20 && byte < 0x7F) {
            out += c;
        } else {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\x%02X", byte);
            out += escape;
        }
    }
    return out;
}

} // namespace

Bytes BuildReply(std::uint16_t index, std::uint16_t tableOrStatus, std::string_view data)
{
    Bytes frame;
    frame.reserve(REPLY_HEADER_SIZE + data.size());
    frame.push_back(FRAME_START);
    PutBigEndian(frame, static_cast<std::uint16_t>(data.size()));
    PutBigEndian(frame, index);
    PutBigEndian(frame, tableOrStatus);
    frame.insert(frame.end(), data.begin(), data.end());
    return frame;
}

Bytes BuildDialResult(std::uint16_t result)
{
    Bytes frame = BuildReply(0, ST_DIAL_RESULT);
    frame[3] = static_cast<std::uint8_t>(result & 0xFF);
    frame[4] = static_cast<std::uint8_t>(result >> 8);
    return frame;
}

std::string DirectoryRecord(std::uint16_t lineSeizure, std::string_view phoneNumber, std::string_view name)
{
    char seizure[8];
    std::snprintf(seizure, sizeof seizure, "%x", static_cast<unsigned>(lineSeizure));
    std::string data = seizure;
    data += '\0';
    data += '0';
    data += '\0';
    data += phoneNumber;
    data += '\0';
    data += name;
    data += '\0';
    return data;
}

bool SplitFields(std::string_view data, std::vector<std::string>& fields)
{
    fields.clear();
    if (data.empty() || data.back() != '\0')
        return false;
    std::size_t start = 0;
    while (start < data.size()) {
        const std::size_t end = data.find('\0', start);
        fields.emplace_back(data.substr(start, end - start));
        start = end + 1;
    }
    return true;
}

std::string CommandName(std::uint16_t command)
{
    switch (command) {
    case CMD_READ_TABLE:
        return "CMD_READ_TABLE";
    case CMD_READ_RECORD:
        return "CMD_READ_RECORD";
    case CMD_WRITE_RECORD:
        return "CMD_WRITE_RECORD";
    case CMD_DELETE_RECORD:
        return "CMD_DELETE_RECORD";
    case CMD_POLL:
        return "CMD_POLL";
    case CMD_REQUEST_ACCESS:
        return "CMD_REQUEST_ACCESS";
    case CMD_DIAL:
        return "CMD_DIAL";
    case CMD_RELEASE:
        return "CMD_RELEASE";
    default:
        return "command " + Hex4(command);
    }
}

std::string TableName(std::uint16_t table)
{
    switch (table) {
    case TBL_URBAN_LINE:
        return "TBL_URBAN_LINE";
    case TBL_ROUTING:
        return "TBL_ROUTING";
    case TBL_PREFIX:
        return "TBL_PREFIX";
    case TBL_VERSION:
        return "TBL_VERSION";
    case TBL_DIGITS:
        return "TBL_DIGITS";
    case TBL_DIRECTORY:
        return "TBL_DIRECTORY";
    default:
        return "table " + Hex4(table);
    }
}

namespace {

// Built by appending: GCC 12 warns falsely (-Wrestrict) about "literal" + std::string at -O2.
std::string Quoted(const std::string& text, const char* closing)
{
    std::string quoted = "\"";
    quoted.append(text).append(closing);
    return quoted;
}

} // namespace

std::string DescribeData(std::string_view data)
{
    std::vector<std::string> fields;
    if (!SplitFields(data, fields))
        return Quoted(EscapeText(data), "\"");
    std::string out;
    for (const std::string& field : fields) {
        if (!out.empty())
            out += ' ';
        out += Quoted(EscapeText(field), "\\0\"");
    }
    return out;
}

std::string DescribeRequest(const Request& request)
{
    std::string line = CommandName(request.command);
    switch (request.command) {
    case CMD_READ_TABLE:
        line.append(" ").append(TableName(request.table));
        if (request.index != ALL_RECORDS)
            line += " index " + Hex4(request.index);
        break;
    case CMD_READ_RECORD:
    case CMD_WRITE_RECORD:
    case CMD_DELETE_RECORD:
        line.append(" ").append(TableName(request.table)).append(" index ") +=
            Hex4(request.index) + " (" + std::to_string(request.index) + ")";
        break;
    case CMD_POLL:
    case CMD_REQUEST_ACCESS:
    case CMD_DIAL:
    case CMD_RELEASE:
        break;
    default:
        line += " table " + Hex4(request.table) + " index " + Hex4(request.index);
        break;
    }
    if (!request.payload.empty())
        line += " data " + DescribeData(request.payload);
    return line;
}

} // namespace exsim
