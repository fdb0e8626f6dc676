// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class QWidget;

namespace tobrisk {

enum class MsgButtons { Ok, YesNo };
enum class MsgAnswer { Ok, Yes, No };
enum class MsgIcon { None, Information, Warning, Error, Question };

// Every message the program shows goes through here, captioned "Tobrisk".
class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    virtual MsgAnswer Show(const QString& text, MsgButtons buttons = MsgButtons::Ok,
                           MsgAnswer defaultButton = MsgAnswer::Ok, MsgIcon icon = MsgIcon::None) = 0;
};

class QtMessageBoxes : public MessageBoxes {
public:
    MsgAnswer Show(const QString& text, MsgButtons buttons, MsgAnswer defaultButton, MsgIcon icon) override;
};

} // namespace tobrisk
