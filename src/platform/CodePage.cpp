// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/CodePage.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace tobrisk {

QString FromCp1252(std::string_view bytes)
{
    QStringDecoder decoder("windows-1252");
    return decoder.decode(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
}

std::string ToCp1252(const QString& text)
{
    // The converter writes SUB (0x1A) for what the code page lacks; the program's files
    // and the exchange expect the usual '?' instead.
    constexpr char SUB = 0x1A;
    QStringEncoder encoder("windows-1252", QStringConverter::Flag::Stateless);
    std::string bytes;
    bytes.reserve(size_t(text.size()));
    for (qsizetype i = 0; i < text.size(); ++i) {
        const bool pair = text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate();
        const QStringView codePoint = QStringView(text).mid(i, pair ? 2 : 1);
        i += pair ? 1 : 0;
        const QByteArray encoded = encoder.encode(codePoint);
        const bool unmapped = encoded.size() != 1 || (encoded[0] == SUB && codePoint[0] != QLatin1Char(SUB));
        bytes.push_back(unmapped ? '?' : encoded[0]);
    }
    return bytes;
}

} // namespace tobrisk
