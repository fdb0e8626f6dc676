// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>

// A broken property aborts, so libFuzzer keeps the input that shows it as a crash artifact.
#define FUZZ_CHECK(condition, what)                                                                                    \
    do {                                                                                                               \
        if (!(condition)) {                                                                                            \
            std::fprintf(stderr, "property broken: %s\n  at %s:%d\n", what, __FILE__, __LINE__);                       \
            std::abort();                                                                                              \
        }                                                                                                              \
    } while (false)

namespace fuzz {

// Cuts the bytes into pieces whose sizes come from a small generator seeded by the bytes themselves, so
// every input is also fed with an irregular chunking of its own, sizes 1 to 64 and now and then larger.
template <typename Take> void ForEachChunk(std::span<const uint8_t> bytes, Take&& take)
{
    uint64_t state = 0xCBF29CE484222325u;
    for (const uint8_t byte : bytes)
        state = (state ^ byte) * 0x100000001B3u;
    size_t at = 0;
    while (at < bytes.size()) {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        const size_t limit = (state & 0x700) == 0 ? 5000 : 64;
        const size_t size = std::min<size_t>(bytes.size() - at, 1 + size_t(state % limit));
        take(bytes.subspan(at, size));
        at += size;
    }
}

} // namespace fuzz
