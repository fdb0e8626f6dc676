// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QValidator>

namespace tobrisk {

// Owned by the edit field it is set on; user-interface thread.
// Refuses, as it is typed or pasted, any character that code page 1252 cannot hold, so that a name or a
// number never reaches the directory with a character silently replaced. Every accepted character is one
// stored byte, so the field's length limit counts stored bytes.
class CodePageValidator : public QValidator {
    Q_OBJECT

public:
    using QValidator::QValidator;

    State validate(QString& input, int& position) const override;
};

// True when every character of the text survives the trip to code page 1252 and back.
bool FitsCodePage(const QString& text);

} // namespace tobrisk
