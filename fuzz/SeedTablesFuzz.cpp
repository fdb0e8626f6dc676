// SPDX-License-Identifier: GPL-3.0-or-later
// The simulated exchange's seed file from the other side: any tables that the exchange can hold, as
// a client may have written them, must survive a save and a load.

#include "FuzzCheck.h"
#include "exchange-sim/Protocol.h"
#include "exchange-sim/SeedFile.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace {

// Tables and indices the seed file writes with a keyword of their own, so the fuzzer reaches them often.
constexpr uint16_t KNOWN_TABLES[] = {exsim::TBL_DIRECTORY, exsim::TBL_ROUTING, exsim::TBL_URBAN_LINE,
                                     exsim::TBL_DIGITS,    exsim::TBL_PREFIX,  exsim::TBL_VERSION};
constexpr uint16_t KNOWN_INDICES[] = {exsim::DIGITS_INDEX, exsim::PREFIX_INDEX, exsim::VERSION_INDEX};

std::string Text(FuzzedDataProvider& input)
{
    return input.ConsumeRandomLengthString(48);
}

// Record data shaped like what the exchange holds (texts with their NULs, directory records) or raw.
std::string RecordData(FuzzedDataProvider& input)
{
    switch (input.ConsumeIntegralInRange(0, 3)) {
    case 0:
        return Text(input) + '\0';
    case 1:
        return exsim::DirectoryRecord(input.ConsumeIntegral<uint16_t>(), Text(input), Text(input));
    case 2: {
        const std::vector<uint8_t> bytes = input.ConsumeBytes<uint8_t>(input.ConsumeIntegralInRange<size_t>(0, 64));
        return std::string(bytes.begin(), bytes.end());
    }
    default:
        return {};
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider input(data, size);
    exsim::Tables tables;
    while (input.remaining_bytes() > 0) {
        const uint16_t table =
            input.ConsumeBool() ? input.PickValueInArray(KNOWN_TABLES) : input.ConsumeIntegral<uint16_t>();
        const uint16_t index =
            input.ConsumeBool() ? input.PickValueInArray(KNOWN_INDICES) : input.ConsumeIntegral<uint16_t>();
        tables[table][index] = RecordData(input);
    }

    const std::string text = exsim::FormatSeed(tables);
    std::string error;
    const auto loaded = exsim::ParseSeed(text, error);
    if (!loaded)
        std::fprintf(stderr, "%s\n", error.c_str());
    FUZZ_CHECK(loaded.has_value(), "every table the exchange can hold saves to a seed file that loads");
    FUZZ_CHECK(*loaded == tables, "a saved seed file loads to the same tables");
    return 0;
}
