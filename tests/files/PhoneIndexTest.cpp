// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/PhoneIndex.h"

#include "directory/Entry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <random>
#include <string>
#include <vector>

using namespace tobrisk;

namespace {

// The walk the index stands in for: entries in stored order, the first with the number wins.
struct WalkedDirectory {
    std::vector<const Entry*> entries;

    void Add(const Entry& entry)
    {
        Remove(entry.shortNumber);
        entries.push_back(&entry);
    }
    void Remove(uint16_t shortNumber)
    {
        std::erase_if(entries, [shortNumber](const Entry* e) { return e->shortNumber == shortNumber; });
    }
    const Entry* EntryOf(uint16_t shortNumber) const
    {
        const auto found = std::find_if(entries.begin(), entries.end(),
                                        [shortNumber](const Entry* e) { return e->shortNumber == shortNumber; });
        return found == entries.end() ? nullptr : *found;
    }
    std::optional<uint16_t> FirstWith(const std::string& phone) const
    {
        for (const Entry* e : entries)
            if (e->phoneNumber == phone)
                return e->shortNumber;
        return std::nullopt;
    }
};

TEST(PhoneIndexTest, FirstEntryOfANumberAsTheWalkFindsIt)
{
    std::deque<Entry> records;
    PhoneIndex index(100, 0);
    const auto add = [&](uint16_t shortNumber, const char* phone) {
        index.Add(records.emplace_back(Entry{"n", phone, 0, shortNumber}));
    };
    add(10, "0212");
    add(20, "0212");
    add(30, "02-12");
    EXPECT_EQ(index.FirstWith("0212"), 10);
    EXPECT_EQ(index.FirstWith("02-12"), 30);
    EXPECT_EQ(index.FirstWith("212"), std::nullopt);

    // 10 replaced: the new 10 goes to the end, so 20 is now first.
    add(10, "0212");
    EXPECT_EQ(index.FirstWith("0212"), 20);
    EXPECT_EQ(index.EntryOf(10), &records.back());
    index.Remove(20);
    index.Remove(10);
    EXPECT_EQ(index.FirstWith("0212"), std::nullopt);
    EXPECT_EQ(index.EntryOf(10), nullptr);
    // A number whose entries all left comes back with a new one.
    add(40, "0212");
    EXPECT_EQ(index.FirstWith("0212"), 40);
}

TEST(PhoneIndexTest, AgreesWithTheWalkOverLongRandomRuns)
{
    // Few short numbers and numbers, so replacements, removals and shared numbers are frequent; the index
    // starts with room for one entry, so it grows many times on the way.
    std::mt19937 random(20261210);
    std::vector<std::string> phones;
    for (int i = 0; i < 300; ++i)
        phones.push_back(std::to_string(random() % 1000));
    std::deque<Entry> records;
    PhoneIndex index(64, 1);
    WalkedDirectory walk;
    for (int step = 0; step < 20000; ++step) {
        const auto shortNumber = uint16_t(random() % 64);
        const std::string& phone = phones[random() % (step < 10000 ? 8 : phones.size())];
        switch (random() % 4) {
        case 0:
        case 1:
            index.Add(records.emplace_back(Entry{"n", phone, 0, shortNumber}));
            walk.Add(records.back());
            break;
        case 2:
            index.Remove(shortNumber);
            walk.Remove(shortNumber);
            break;
        default:
            ASSERT_EQ(index.FirstWith(phone), walk.FirstWith(phone)) << "step " << step << ", number " << phone;
            ASSERT_EQ(index.EntryOf(shortNumber), walk.EntryOf(shortNumber)) << "step " << step;
        }
    }
}

} // namespace
