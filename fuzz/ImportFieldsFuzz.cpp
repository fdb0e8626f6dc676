// SPDX-License-Identifier: GPL-3.0-or-later
// The import options' field lists on any first line: the line split at either separator (',' minding double
// quotes), the first choices for its number of fields, and the checks of the OK button on them.
#include "FuzzCheck.h"

#include "files/ImportOptions.h"

#include <algorithm>
#include <cstdint>
#include <string_view>

using namespace tobrisk;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view line(reinterpret_cast<const char*>(data), size);
    std::string_view body = line;
    if (!body.empty() && body.back() == '\n')
        body.remove_suffix(1);
    for (char separator : {';', ','}) {
        const std::vector<std::string> fields = SplitHeadingFields(line, separator);
        const size_t separators = size_t(std::count(body.begin(), body.end(), separator));
        // A ',' inside double quotes splits nothing; a ';' always splits.
        FUZZ_CHECK(separator == ';' ? fields.size() == separators + 1
                                    : !fields.empty() && fields.size() <= separators + 1,
                   "not one field more than separators");
        for (bool autoNumber : {false, true}) {
            const int count = int(std::min<size_t>(fields.size(), 1000));
            const ImportChoices first = FirstImportChoices(count, autoNumber);
            FUZZ_CHECK(first.name < count && first.phone < count && first.lineSeizure <= count,
                       "a first choice beyond its list");
            // With enough fields the first choices always pass the checks.
            if (count >= (autoNumber ? 2 : 3))
                FUZZ_CHECK(CheckImportChoices(first, autoNumber).problem == ImportChoiceProblem::None,
                           "the first choices fail the checks");
        }
    }
    return 0;
}
