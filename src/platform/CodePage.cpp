// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/CodePage.h"

#include <QStringDecoder>
#include <QStringEncoder>
#include <optional>

namespace tobrisk {

QString FromCp1252(std::string_view bytes)
{
    QStringDecoder decoder("windows-1252");
    return decoder.decode(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
}

namespace {

// Each code point on its own, so that one the code page lacks is seen; `unmapped` is called for it and
// returns the byte to write instead, if any.
template <typename Unmapped> std::string EncodeCp1252(const QString& text, Unmapped unmapped)
{
    // The converter writes SUB (0x1A) for what the code page lacks.
    constexpr char SUB = 0x1A;
    QStringEncoder encoder("windows-1252", QStringConverter::Flag::Stateless);
    std::string bytes;
    bytes.reserve(size_t(text.size()));
    for (qsizetype i = 0; i < text.size(); ++i) {
        const bool pair = text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate();
        const QStringView codePoint = QStringView(text).mid(i, pair ? 2 : 1);
        i += pair ? 1 : 0;
        const QByteArray encoded = encoder.encode(codePoint);
        if (encoded.size() != 1 || (encoded[0] == SUB && codePoint[0] != QLatin1Char(SUB))) {
            if (const std::optional<char> instead = unmapped())
                bytes.push_back(*instead);
        } else {
            bytes.push_back(encoded[0]);
        }
    }
    return bytes;
}

} // namespace

std::string ToCp1252(const QString& text)
{
    // The program's files and the exchange expect the usual '?' for what the code page lacks.
    return EncodeCp1252(text, [] { return std::optional<char>('?'); });
}

std::string ToCp1252Dropping(const QString& text, int& dropped)
{
    return EncodeCp1252(text, [&dropped] {
        ++dropped;
        return std::optional<char>();
    });
}

} // namespace tobrisk
