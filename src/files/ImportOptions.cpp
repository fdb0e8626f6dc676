// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/ImportOptions.h"

#include "files/CsvFile.h"

namespace tobrisk {

ImportOptions NameAndNumberOptions()
{
    ImportOptions options;
    options.autoNumber = true;
    options.shortNumberField = -1;
    options.nameField = 0;
    options.phoneField = 1;
    options.lineSeizureChoice = 0;
    return options;
}

std::vector<std::string> SplitHeadingFields(std::string_view firstLine, char separator)
{
    if (!firstLine.empty() && firstLine.back() == '\n')
        firstLine.remove_suffix(1);
    std::vector<std::string> fields;
    if (ReadsQuotes(separator)) {
        size_t at = 0;
        for (;;) {
            std::string field;
            at = ReadQuotedField(firstLine, at, separator, field);
            fields.push_back(std::move(field));
            if (at >= firstLine.size())
                return fields;
            ++at;
        }
    }
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

std::array<std::string, 4> RecordPreview(std::string_view line, const ImportOptions& options)
{
    std::string storage;
    std::vector<std::string_view> fields;
    SplitRecordFields(line, options.separator, storage, fields);
    const auto field = [&fields](int index) {
        return index >= 0 && size_t(index) < fields.size() ? std::string(fields[size_t(index)]) : std::string();
    };
    return {options.autoNumber ? std::string() : field(options.shortNumberField), field(options.nameField),
            field(options.phoneField), field(options.lineSeizureChoice - 1)};
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

ImportOptions ProposedImportOptions(std::string_view fileStart)
{
    ImportOptions options;
    options.encoding = DetectEncoding(fileStart);
    const std::vector<std::string> first = FirstLines(fileStart, options.encoding, 1);
    const std::string firstLine = first.empty() ? std::string() : first.front();
    options.separator = DetectSeparator(firstLine);
    const ImportChoices choices =
        FirstImportChoices(int(SplitHeadingFields(firstLine, options.separator).size()), options.autoNumber);
    options.shortNumberField = choices.shortNumber;
    options.nameField = choices.name;
    options.phoneField = choices.phone;
    options.lineSeizureChoice = choices.lineSeizure;
    return options;
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
