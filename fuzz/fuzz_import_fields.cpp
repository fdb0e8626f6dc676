// The import options' field lists: the first line split at either separator, the first choices for any
// number of fields, and the checks of the OK button on them.

#include "files/ImportOptions.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view line(reinterpret_cast<const char*>(data), size);
    for (char separator : {';', ','}) {
        const std::vector<std::string> fields = SplitHeadingFields(line, separator);
        std::string_view body = line;
        if (!body.empty() && body.back() == '\n')
            body.remove_suffix(1);
        if (fields.size() != size_t(std::count(body.begin(), body.end(), separator)) + 1)
            std::abort();
        for (bool autoNumber : {false, true}) {
            const int count = int(std::min<size_t>(fields.size(), 1000));
            const ImportChoices first = FirstImportChoices(count, autoNumber);
            const int items = count + 1;
            if (first.name >= count || first.phone >= count || first.lineSeizure >= items)
                std::abort();
            // With enough fields the first choices always pass the checks.
            const bool enough = count >= (autoNumber ? 2 : 3);
            if (enough && CheckImportChoices(first, autoNumber).problem != ImportChoiceProblem::None)
                std::abort();
        }
    }
    return 0;
}
