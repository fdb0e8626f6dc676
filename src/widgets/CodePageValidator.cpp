// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/CodePageValidator.h"

#include "platform/CodePage.h"

namespace tobrisk {

bool FitsCodePage(const QString& text)
{
    return FromCp1252(ToCp1252(text)) == text;
}

QValidator::State CodePageValidator::validate(QString& input, int& /*position*/) const
{
    return FitsCodePage(input) ? Acceptable : Invalid;
}

} // namespace tobrisk
