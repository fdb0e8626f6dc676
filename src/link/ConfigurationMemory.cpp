// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/ConfigurationMemory.h"

#include <cstring>

namespace tobrisk {

RecordBlock::RecordBlock(RecordKey key, const uint8_t* data, size_t dataLength)
    : block_(std::make_unique<uint8_t[]>(HEADER_SIZE + dataLength))
{
    const uint16_t fields[] = {uint16_t(dataLength + 4), key.index, key.table};
    block_[0] = MARKER;
    std::memcpy(&block_[1], fields, sizeof fields);
    if (dataLength > 0)
        std::memcpy(&block_[HEADER_SIZE], data, dataLength);
}

uint16_t RecordBlock::Field(size_t offset) const
{
    uint16_t value;
    std::memcpy(&value, &block_[offset], sizeof value);
    return value;
}

uint16_t RecordBlock::Length() const
{
    return Field(1);
}

RecordKey RecordBlock::Key() const
{
    return {Field(3), Field(5)};
}

std::span<const uint8_t> RecordBlock::Data() const
{
    return {&block_[HEADER_SIZE], size_t(Length() - 4)};
}

std::span<const uint8_t> RecordBlock::Bytes() const
{
    return {&block_[0], HEADER_SIZE + Length() - 4};
}

const RecordBlock* ConfigurationMemory::Find(RecordKey key) const
{
    const auto found = records_.find(key.Value());
    return found == records_.end() ? nullptr : &found->second;
}

void ConfigurationMemory::Store(RecordBlock block)
{
    const uint32_t key = block.Key().Value();
    // A table arrives in the order of its records: each one then goes at the end without a search.
    const auto hint = records_.empty() || records_.rbegin()->first < key ? records_.end() : records_.lower_bound(key);
    records_.insert_or_assign(hint, key, std::move(block));
}

bool ConfigurationMemory::Remove(RecordKey key)
{
    return records_.erase(key.Value()) > 0;
}

std::optional<ConfigurationMemory::TableRecord> ConfigurationMemory::NextOfTable(Position& position,
                                                                                 uint16_t table) const
{
    // The map is ordered by table, then index, so a table's records lie together.
    const uint32_t tableStart = uint32_t(table) << 16;
    if (position != records_.end() && position->first < tableStart)
        position = records_.lower_bound(tableStart);
    if (position == records_.end() || position->first >> 16 != table) {
        position = records_.end();
        return std::nullopt;
    }
    const RecordBlock& record = position->second;
    ++position;
    return TableRecord{record.Key(), record.Data()};
}

} // namespace tobrisk
