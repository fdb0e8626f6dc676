// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <cstddef>
#include <vector>

namespace tobrisk {

// One card that gave a name and a telephone number.
struct VCardContact {
    size_t line = 0; // the line of its BEGIN:VCARD, counted from 1
    // FN when it is not blank; else N as "Given Middle Family", the parts that are not empty joined by one
    // space (prefix and suffix are left out). Runs of white space, line breaks included, become one space.
    QString name;
    // The number chosen for the directory, as the file spells it (a "tel:" URI without its scheme and its
    // parameters such as ";ext=").
    QString phoneNumber;
    // The card's other numbers, in file order, each once and none equal to the chosen one.
    QStringList otherNumbers;

    friend bool operator==(const VCardContact&, const VCardContact&) = default;
};

// A card or a stretch of text that gave no contact, and why, in Italian for the user.
struct VCardProblem {
    size_t line = 0; // the card's BEGIN:VCARD line, or the line that could not be read
    QString reason;

    friend bool operator==(const VCardProblem&, const VCardProblem&) = default;
};

struct VCardContents {
    std::vector<VCardContact> contacts;
    std::vector<VCardProblem> problems;
};

// The cards of a whole file in versions 2.1, 3.0 and 4.0, in file order. Never fails: what cannot be read
// becomes a problem and the reading goes on. Time and memory grow linearly with the size of the file.
//
// Which number is chosen, the first of these that the card has: the most preferred one (TYPE=PREF or a bare
// PREF count as PREF=1, a lower PREF before a higher one); a work voice number (WORK with VOICE, or WORK with
// no other kind, never a fax or pager); a voice number (VOICE, or no kind at all); a number that is not a fax
// or pager; the first number. A value without a decimal digit is no number.
VCardContents ReadVCards(QByteArrayView bytes);

} // namespace tobrisk
