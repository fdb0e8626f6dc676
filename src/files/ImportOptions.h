// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "files/TextFormat.h"

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace tobrisk {

// What the import options dialog hands to the import: plain values, copied.
struct ImportOptions {
    int importMode = 0; // 0 replaces the directory, 1 merges into it
    bool firstLineIsHeading = true;
    bool autoNumber = false;
    char separator = ';'; // ';', ',' or a tab
    TextEncoding encoding = TextEncoding::Cp1252;
    int shortNumberField = 0; // -1 when the short numbers are generated
    int nameField = 1;
    int phoneField = 2;
    int lineSeizureChoice = 0; // 0: no field, default routing for all; k + 1: field k
    // A kept copy of an exchange's directory: every record as it stands, the telephone number as written and
    // none taken out by a later one of the same number, so that the exchange gets back what it held.
    bool exactCopy = false;
};

// Records of a name and a telephone number, in that order, with short numbers generated: what a vCard
// contact gives, replacing the directory.
ImportOptions NameAndNumberOptions();

// The fields of the file's first line as the options dialog lists them: the line end is removed and every
// separator splits (outside quotes, for ',' and a tab), so a trailing separator gives an empty last field. No
// limit on their number.
std::vector<std::string> SplitHeadingFields(std::string_view firstLine, char separator);

// The texts that a record line gives the short number, the name, the telephone number and the line-seizure
// code under the options, split as the import splits it; empty where no field is chosen or the line lacks it.
std::array<std::string, 4> RecordPreview(std::string_view line, const ImportOptions& options);

// What the options dialog proposes for a file that begins with `fileStart`, before the user changes
// anything: replace, heading, the encoding and separator found, and the first choices.
ImportOptions ProposedImportOptions(std::string_view fileStart);

// The items chosen in the four field lists; -1 where a list has no choice. The line-seizure list's item 0
// is the empty item, item k + 1 is field k.
struct ImportChoices {
    int shortNumber = -1;
    int name = -1;
    int phone = -1;
    int lineSeizure = -1;
};

// The first choices after the lists are filled with `fieldCount` fields: the order the export writes.
ImportChoices FirstImportChoices(int fieldCount, bool autoNumber);

enum class ImportChoiceProblem { None, NoShortNumber, NoName, NoPhone, NoLineSeizure, SameField };
enum class ImportChoiceList { ShortNumber, Name, Phone, LineSeizure };

struct ImportChoiceCheck {
    ImportChoiceProblem problem = ImportChoiceProblem::None;
    ImportChoiceList focus = ImportChoiceList::ShortNumber;
};

// The checks of the OK button, in their order; the first that fails names its list.
ImportChoiceCheck CheckImportChoices(const ImportChoices& choices, bool autoNumber);

} // namespace tobrisk
