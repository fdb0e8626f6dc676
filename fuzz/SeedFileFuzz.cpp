// SPDX-License-Identifier: GPL-3.0-or-later
// The simulated exchange's seed file: hand-edited text, read at start and written back on save.

#include "FuzzCheck.h"
#include "exchange-sim/SeedFile.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

// The number of lines a text has for an error message: a last line without its line feed counts too.
size_t LineCount(std::string_view text)
{
    size_t lines = 0;
    size_t at = 0;
    while (at < text.size()) {
        const size_t end = text.find('\n', at);
        ++lines;
        if (end == std::string_view::npos)
            break;
        at = end + 1;
    }
    return lines;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::string error;
    const auto tables = exsim::ParseSeed(text, error);
    if (!tables) {
        // A refusal names the line it stopped at.
        FUZZ_CHECK(error.rfind("line ", 0) == 0, "an error starts with its line");
        const size_t line = std::stoul(error.substr(5));
        FUZZ_CHECK(line >= 1 && line <= LineCount(text), "an error names a line of the text");
        FUZZ_CHECK(error.find(": ") != std::string::npos, "an error gives its reason");
        return 0;
    }

    // What was loaded, saved back, loads again to the same tables and saves to the same text.
    const std::string saved = exsim::FormatSeed(*tables);
    std::string againError;
    const auto again = exsim::ParseSeed(saved, againError);
    FUZZ_CHECK(again.has_value(), "a saved seed file loads again");
    FUZZ_CHECK(*again == *tables, "a saved seed file loads to the same tables");
    FUZZ_CHECK(exsim::FormatSeed(*again) == saved, "saving the reloaded tables writes the same text");
    return 0;
}
