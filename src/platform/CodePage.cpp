#include "platform/CodePage.h"

#include <QStringDecoder>
#include <QStringEncoder>

QString FromCp1252(std::string_view bytes)
{
    QStringDecoder decoder("windows-1252");
    return decoder.decode(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
}

std::string ToCp1252(const QString& text)
{
    QStringEncoder encoder("windows-1252", QStringConverter::Flag::Default);
    const QByteArray bytes = encoder.encode(text);
    return std::string(bytes.constData(), size_t(bytes.size()));
}
