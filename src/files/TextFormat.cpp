// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/TextFormat.h"

#include <cstdint>

namespace tobrisk {

namespace {

bool IsContinuation(uint8_t byte)
{
    return (byte & 0xC0) == 0x80;
}

} // namespace

bool StartsWithByteOrderMark(std::string_view text)
{
    return text.substr(0, kUtf8ByteOrderMark.size()) == kUtf8ByteOrderMark;
}

TextEncoding DetectEncoding(std::string_view start)
{
    if (StartsWithByteOrderMark(start))
        return TextEncoding::Utf8;
    bool beyondAscii = false;
    size_t i = 0;
    while (i < start.size()) {
        const uint8_t lead = uint8_t(start[i]);
        if (lead < 0x80) {
            ++i;
            continue;
        }
        beyondAscii = true;
        size_t length = 0;
        uint32_t lowest = 0;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
            lowest = 0x80;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            lowest = 0x800;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            lowest = 0x10000;
        } else {
            return TextEncoding::Cp1252;
        }
        uint32_t codePoint = lead & (0xFFu >> (length + 1));
        size_t k = 1;
        for (; k < length && i + k < start.size(); ++k) {
            const uint8_t next = uint8_t(start[i + k]);
            if (!IsContinuation(next))
                return TextEncoding::Cp1252;
            codePoint = (codePoint << 6) | (next & 0x3Fu);
        }
        if (k < length)
            break; // cut by the end of the window
        // Overlong forms, surrogates and code points past the last one are not UTF-8.
        if (codePoint < lowest || (codePoint >= 0xD800 && codePoint <= 0xDFFF) || codePoint > 0x10FFFF)
            return TextEncoding::Cp1252;
        i += length;
    }
    return beyondAscii ? TextEncoding::Utf8 : TextEncoding::Cp1252;
}

char DetectSeparator(std::string_view firstLine)
{
    if (firstLine.find(';') != std::string_view::npos)
        return ';';
    if (firstLine.find('\t') != std::string_view::npos)
        return '\t';
    if (firstLine.find(',') != std::string_view::npos)
        return ',';
    return ';';
}

} // namespace tobrisk
