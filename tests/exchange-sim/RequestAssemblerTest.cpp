// SPDX-License-Identifier: GPL-3.0-or-later
#include "exchange-sim/RequestAssembler.h"
#include "SimClient.h"

#include <gtest/gtest.h>

#include <chrono>

using namespace simtest;

namespace {

// Describes the requests found as "FE15 0000 0000 ''" lines, so a table of cases stays readable.
std::string Describe(const std::vector<exsim::Request>& requests)
{
    std::string text;
    for (const exsim::Request& r : requests) {
        char line[64];
        std::snprintf(line, sizeof line, "%04X %04X %04X '", r.command, r.index, r.table);
        text += line + r.payload + "'\n";
    }
    return text;
}

TEST(RequestAssembler, CutsRequestsOutOfAnyStream)
{
    const struct {
        const char* what;
        const char* bytes;
        const char* requests;
        std::size_t pending;
    } cases[] = {
        {"poll", "02 00 00 00 00 FE 15 00 00 00 00", "FE15 0000 0000 ''\n", 0},
        {"write with payload", "02 00 02 00 00 FE 12 00 00 2D 10 33 20", "FE12 0000 2D10 '3 '\n", 0},
        {"release, then a poll glued to it", "02 00 0B 00 00 FF 32 00 00 00 00 02 00 00 00 00 FE 15 00 00 00 00",
         "FF32 0000 0000 ''\nFE15 0000 0000 ''\n", 0},
        {"noise before a request", "FF 00 55 02 00 00 00 00 FE 29 00 00 00 00", "FE29 0000 0000 ''\n", 0},
        {"false start byte inside noise", "02 00 00 02 00 00 00 00 FE 15 00 00 00 00", "FE15 0000 0000 ''\n", 0},
        {"payload length beyond any request", "02 FF F0 00 00 FE 12 00 01 2D 20 02 00 00 00 00 FE 15 00 00 00 00",
         "FE15 0000 0000 ''\n", 0},
        {"truncated header", "02 00 00 00 00 FE", "", 6},
        {"truncated payload", "02 00 04 00 00 FE 12 00 05 2D 20 37 66", "", 13},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Bytes bytes = Hex(c.bytes);
        for (bool byteByByte : {false, true}) {
            exsim::RequestAssembler assembler;
            std::vector<exsim::Request> requests;
            if (byteByByte) {
                for (std::uint8_t byte : bytes)
                    assembler.Feed(&byte, 1, requests);
            } else {
                assembler.Feed(bytes.data(), bytes.size(), requests);
            }
            EXPECT_EQ(Describe(requests), c.requests) << (byteByByte ? "byte by byte" : "at once");
            EXPECT_EQ(assembler.Pending(), c.pending);
        }
    }
}

TEST(RequestAssembler, KeepsTheRawBytesOfEachRequest)
{
    exsim::RequestAssembler assembler;
    std::vector<exsim::Request> requests;
    const Bytes write = Hex("02 00 02 00 00 FE 12 00 00 2D 10 33 00");
    const Bytes stream = Concat({Hex("7E"), write, write});
    assembler.Feed(stream.data(), stream.size(), requests);
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(ToHex(requests[1].raw), ToHex(write));
    EXPECT_EQ(assembler.Skipped(), 1u);
}

// Every false start byte is rejected on its own, so a flood of them is where a cutter that drops rejected
// bytes from the front of its buffer turns quadratic (minutes for this one); a linear cut takes milliseconds.
TEST(RequestAssembler, CutsAFloodOfStartBytesInLinearTime)
{
    const std::size_t floodSize = 4 << 20;
    // The FF bytes keep the last start bytes of the flood from reading as a header with zero bytes 3-4.
    const Bytes stream = Concat({Bytes(floodSize, 0x02), Hex("FF FF FF FF"), Hex("02 00 00 00 00 FE 15 00 00 00 00")});
    exsim::RequestAssembler assembler;
    std::vector<exsim::Request> requests;

    const auto start = std::chrono::steady_clock::now();
    assembler.Feed(stream.data(), stream.size(), requests);
    const auto elapsed = std::chrono::steady_clock::now() - start;

    EXPECT_EQ(Describe(requests), "FE15 0000 0000 ''\n");
    EXPECT_EQ(assembler.Skipped(), floodSize + 4);
    EXPECT_EQ(assembler.Pending(), 0u);
    EXPECT_LT(elapsed, std::chrono::seconds(5));
}

} // namespace
