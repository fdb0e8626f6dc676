// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace tobrisk {

struct Entry;

// The directory's entries by telephone number, in the order the collection stores them: which entry a walk
// through the collection would meet first for a number, without the walk. An entry joins at the end of that
// order, as the collection appends it, and leaves by its short number. Lives for one import on the
// user-interface thread. It keeps views of the entries' own numbers, so every entry handed to it must stay
// alive as long as the index does (the directory keeps the entries that leave until its bulk change ends).
class PhoneIndex {
public:
    // Short numbers below `shortNumbers` can be added; `expected` entries fit without growing.
    PhoneIndex(size_t shortNumbers, size_t expected);

    // The entry joins at the end; the entry of the same short number, if any, leaves first.
    void Add(const Entry& entry);
    void Remove(uint16_t shortNumber);
    // The entry present under this short number, or null.
    const Entry* EntryOf(uint16_t shortNumber) const;
    // The short number of the first present entry whose number is exactly this text.
    std::optional<uint16_t> FirstWith(std::string_view phone);

private:
    static constexpr uint32_t kNone = UINT32_MAX;

    // Entries that leave stay here, marked absent, so the positions of the others do not move.
    struct Item {
        const Entry* entry;
        uint32_t nextSamePhone;
        bool present;
    };
    // The items of one number, oldest first; absent ones at the head are dropped when a lookup meets them.
    struct Chain {
        std::string_view phone;
        size_t hash;
        uint32_t head;
        uint32_t tail;
    };

    uint32_t& SlotOf(std::string_view phone, size_t hash);
    void Grow();

    std::vector<Item> items_;
    std::vector<uint32_t> itemOfShortNumber_;
    std::vector<Chain> chains_;
    // Open addressing over `chains_`: chain index + 1, or 0 for a free slot; at most half of them in use.
    std::vector<uint32_t> slots_;
};

} // namespace tobrisk
