// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/ImportOptions.h"

namespace tobrisk {

std::vector<std::string> SplitHeadingFields(std::string_view firstLine, char separator)
{
    if (!firstLine.empty() && firstLine.back() == '\n')
        firstLine.remove_suffix(1);
    std::vector<std::string> fields;
    size_t start = 0;
    for (;;) {
        const size_t end = firstLine.find(separator, start);
        if (end == std::string_view::npos) {
            fields.emplace_back(firstLine.substr(start));
            return fields;
        }
        fields.emplace_back(firstLine.substr(start, end - start));
        start = end + 1;
    }
}

ImportChoices FirstImportChoices(int fieldCount, bool autoNumber)
{
    ImportChoices choices;
    int k = 0;
    if (!autoNumber) {
        choices.shortNumber = fieldCount > 0 ? 0 : -1;
        k = 1;
    }
    choices.name = k < fieldCount ? k : -1;
    choices.phone = k + 1 < fieldCount ? k + 1 : -1;
    // The line-seizure list holds the empty item first, so item k + 3 is field k + 2.
    choices.lineSeizure = fieldCount >= k + 3 ? k + 3 : 0;
    return choices;
}

ImportChoiceCheck CheckImportChoices(const ImportChoices& c, bool autoNumber)
{
    using P = ImportChoiceProblem;
    using L = ImportChoiceList;
    if (c.shortNumber < 0 && !autoNumber)
        return {P::NoShortNumber, L::ShortNumber};
    if (c.name < 0)
        return {P::NoName, L::Name};
    if (c.phone < 0)
        return {P::NoPhone, L::Phone};
    if (c.lineSeizure < 0)
        return {P::NoLineSeizure, L::LineSeizure};

    // A list without choice and the empty line-seizure item take part in no comparison.
    const int shortNumber = c.shortNumber;
    const int lineSeizure = c.lineSeizure - 1;
    if (shortNumber >= 0 && (shortNumber == c.name || shortNumber == c.phone || shortNumber == lineSeizure))
        return {P::SameField, L::ShortNumber};
    if (c.name == c.phone || c.name == lineSeizure)
        return {P::SameField, L::Name};
    if (c.phone == lineSeizure)
        return {P::SameField, L::Phone};
    return {};
}

} // namespace tobrisk
