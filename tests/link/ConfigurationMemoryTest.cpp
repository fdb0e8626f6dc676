// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/ConfigurationMemory.h"

#include "TestBytes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>

using namespace tobrisk;

namespace {

RecordBlock Record(uint16_t table, uint16_t index, const Bytes& data)
{
    return RecordBlock({index, table}, data.data(), data.size());
}

Bytes Copy(std::span<const uint8_t> bytes)
{
    return Bytes(bytes.begin(), bytes.end());
}

} // namespace

TEST(ConfigurationMemory, BlockLayoutIsMarkerLengthKeyThenData)
{
    const RecordBlock block = Record(TBL_DIRECTORY, 12, Text("ab"));
    const uint16_t header[] = {6, 12, TBL_DIRECTORY};
    Bytes expected(7);
    expected[0] = 0x40;
    std::memcpy(&expected[1], header, sizeof header);
    EXPECT_EQ(Copy(block.Bytes()), expected + Text("ab"));
    EXPECT_EQ(Copy(block.Data()), Text("ab"));
    EXPECT_EQ(block.Key(), (RecordKey{12, TBL_DIRECTORY}));
}

TEST(ConfigurationMemory, RecordWithoutDataHasLengthFour)
{
    ConfigurationMemory memory;
    memory.Store(RecordBlock({0, TBL_DIGITS}, nullptr, 0));
    const RecordBlock* found = memory.Find({0, TBL_DIGITS});
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->Length(), 4);
    EXPECT_TRUE(found->Data().empty());
}

TEST(ConfigurationMemory, SameKeyReplacesAndKeysDifferInBothFields)
{
    ConfigurationMemory memory;
    memory.Store(Record(TBL_DIRECTORY, 5, Text("old")));
    memory.Store(Record(TBL_ROUTING, 5, Text("other table")));
    memory.Store(Record(TBL_DIRECTORY, 6, Text("other index")));
    memory.Store(Record(TBL_DIRECTORY, 5, Text("new")));

    EXPECT_EQ(memory.Count(), 3u);
    EXPECT_EQ(Copy(memory.Find({5, TBL_DIRECTORY})->Data()), Text("new"));
    EXPECT_EQ(Copy(memory.Find({5, TBL_ROUTING})->Data()), Text("other table"));

    EXPECT_TRUE(memory.Remove({5, TBL_DIRECTORY}));
    EXPECT_FALSE(memory.Remove({5, TBL_DIRECTORY}));
    EXPECT_EQ(memory.Find({5, TBL_DIRECTORY}), nullptr);
    EXPECT_EQ(memory.Count(), 2u);
}

TEST(ConfigurationMemory, NextOfTableVisitsEachRecordOfTheTableOnce)
{
    ConfigurationMemory memory;
    // Neighbouring tables on both sides, and the extreme indices of the wanted one.
    memory.Store(Record(TBL_URBAN_LINE, 1, {}));
    memory.Store(Record(TBL_ROUTING, 0, Text("r0")));
    memory.Store(Record(TBL_ROUTING, 0xFFFF, Text("rmax")));
    memory.Store(Record(TBL_PREFIX, 15, Text("5")));
    memory.Store(Record(TBL_ROUTING, 7, Text("r7")));
    memory.Store(Record(TBL_DIRECTORY, 7, Text("d7")));

    std::multiset<uint16_t> seen;
    ConfigurationMemory::Position position = memory.FirstPosition();
    while (const auto record = memory.NextOfTable(position, TBL_ROUTING)) {
        EXPECT_EQ(record->key.table, TBL_ROUTING);
        EXPECT_EQ(Copy(record->data), Copy(memory.Find(record->key)->Data()));
        seen.insert(record->key.index);
    }
    EXPECT_EQ(seen, (std::multiset<uint16_t>{0, 7, 0xFFFF}));
    EXPECT_EQ(position, memory.EndPosition());
    EXPECT_FALSE(memory.NextOfTable(position, TBL_ROUTING));

    position = memory.FirstPosition();
    EXPECT_FALSE(memory.NextOfTable(position, TBL_VERSION));
    EXPECT_EQ(position, memory.EndPosition());
}

TEST(ConfigurationMemory, ClearEmptiesEverything)
{
    ConfigurationMemory memory;
    memory.Store(Record(TBL_DIRECTORY, 1, Text("x")));
    memory.Store(Record(TBL_DIGITS, 0, Text("3")));
    memory.Clear();
    EXPECT_EQ(memory.Count(), 0u);
    EXPECT_EQ(memory.FirstPosition(), memory.EndPosition());
    EXPECT_EQ(memory.Find({1, TBL_DIRECTORY}), nullptr);
}
