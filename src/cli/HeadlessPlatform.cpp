// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/HeadlessPlatform.h"

namespace tobrisk {

HeadlessPlatform::HeadlessPlatform()
    : phoneBook_(PppdPathsFromEnvironment().peersFolder),
      dialer_(PppdPathsFromEnvironment()), platform_{messages_,  fileDialogs_, cursor_, debug_,
                                                     phoneBook_, dialer_,      printer_}
{
}

MsgAnswer HeadlessPlatform::KeptMessages::Show(const QString& text, MsgButtons, MsgAnswer defaultButton, MsgIcon)
{
    told.push_back(text);
    // A question has nobody to answer it: its default stands.
    return defaultButton;
}

} // namespace tobrisk
